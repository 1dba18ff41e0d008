#include "TCopyDataForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>

#include "DropDownComboBox.h"
#include "RunProgressView.h"
#include "RunReportDialog.h"
#include "app/LoadTableList.h"
#include "app/LocalHost.h"
#include "app/Messages.h"
#include "app/StartChecks.h"
#include "app/TargetBackup.h"
#include "core/MessageBox.h"
#include "core/Settings.h"
#include "core/TextRules.h"
#include "core/ToolVersion.h"
#include "source/SourceAccess.h"
#include "source/TImportForm.h"
#include "source/TReStoreForm.h"
#include "source/UncaughtError.h"

namespace gui {

const char* const TCopyDataForm::kApplicationTitle = "QuoxelMSSQL版ERP直升PGSQL版Orbit系列产品工具";

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string text(const QLineEdit* edit) { return edit->text().toStdString(); }

QLabel* rightLabel(const char* caption, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* edit(const char* initial, QWidget* parent) {
    return new QLineEdit(QString::fromUtf8(initial), parent);
}
}  // namespace

TCopyDataForm::TCopyDataForm(FormServices services, QWidget* parent)
    : QWidget(parent),
      services_(std::move(services)),
      boxes_(services_.messages),
      connections_(services_.programDir, boxes_) {
    createControls();
    logView_ = std::make_unique<LogView>(*Memo);
    host_ = std::make_unique<DesktopRunHost>(log_, *logView_, services_.messages);
    controller_ = std::make_unique<RunController>(*host_);
    // The server's or system's own words behind a failed connection; may come
    // from the background thread, which the host's log accepts.
    connections_.reportReason = [this](const std::string& reason) { host_->appendLog(reason); };
    connect(host_.get(), &DesktopRunHost::progressChanged, runProgress,
            &RunProgressView::setProgress);
    connect(host_.get(), &DesktopRunHost::tableReported, runProgress,
            [this](const engine::TableResult&) { runProgress->tableFinished(); });
    connect(&task_, &BackgroundTask::finished, this, &TCopyDataForm::backgroundFinished);
    connect(host_.get(), &DesktopRunHost::busyChanged, this, [this](bool busy) {
        if (busy) {
            setCursor(Qt::BusyCursor);
        } else {
            unsetCursor();
        }
    });
    connect(controller_.get(), &RunController::finished, this, &TCopyDataForm::runEnded);
    connectHandlers();

    LocalHostIP.clear();
    ToolVersionMajor = core::kToolVersionMajor;
    ToolVersionMinor = core::kToolVersionMinor;
    setWindowTitle(q("QuoxelMSSQL版财务直升PGSQL版Orbit系列产品数据导入工具V" + ToolVersionMajor +
                     "." + ToolVersionMinor));
    LoadTableList = app::loadTableList(services_.loadTablePath);
    LocalHostIP = services_.localHostIP ? services_.localHostIP() : app::GetLocalHostIP();
    UpdateLocalSourceButtons();
    loadSettings();
}

TCopyDataForm::~TCopyDataForm() {
    // The run and background work (if any) end before the connections they use
    // are closed; neither may wait for a box that will not be shown any more.
    boxes_.cancel();
    controller_.reset();
    task_.wait();
    FormDestroy();
}

void TCopyDataForm::createControls() {
    setFixedSize(657, 687);

    GroupBox1 = new QGroupBox(QString::fromUtf8("源账套数据库"), this);
    lbServerSource = rightLabel("服务器", GroupBox1);
    lbPortSource = rightLabel("端口", GroupBox1);
    lbUserSource = rightLabel("用户", GroupBox1);
    lbPWSource = rightLabel("密码", GroupBox1);
    lbDataSource = rightLabel("数据库", GroupBox1);
    edtServerSource = edit("127.0.0.1", GroupBox1);
    edtPortSource = edit("1433", GroupBox1);
    edtUserSource = edit("sa", GroupBox1);
    edtPWSource = edit("", GroupBox1);
    edtDataSource = new DropDownComboBox(GroupBox1);
    btnRefSourceDBList = new QPushButton(QString::fromUtf8("获取源数据库列表     "), GroupBox1);
    btnReStoreSource = new QPushButton(QString::fromUtf8("恢复"), GroupBox1);
    btnImportSource = new QPushButton(QString::fromUtf8("引入"), GroupBox1);
    btnRefSourceDBList->hide();

    GroupBox2 = new QGroupBox(QString::fromUtf8("目标账套数据库"), this);
    lbServerTarget = rightLabel("服务器", GroupBox2);
    lbPortTarget = rightLabel("端口", GroupBox2);
    lbUserTarget = rightLabel("用户", GroupBox2);
    lbPWTarget = rightLabel("密码", GroupBox2);
    lbDataTarget = rightLabel("数据库", GroupBox2);
    edtServerTarget = edit("127.0.0.1", GroupBox2);
    edtPortTarget = edit("5432", GroupBox2);
    edtUserTarget = edit("postgres", GroupBox2);
    edtPWTarget = edit("", GroupBox2);
    edtDataTarget = new DropDownComboBox(GroupBox2);
    btnRefTargetDBList = new QPushButton(QString::fromUtf8("获取目标数据库列表      "), GroupBox2);
    btnBackUpTarget = new QPushButton(QString::fromUtf8("备份"), GroupBox2);
    btnRefTargetDBList->hide();
    btnBackUpTarget->hide();

    auto fillGroup = [](QGroupBox* box, QLabel* const* labels, QWidget* const* fields,
                        QWidget* buttons) {
        auto* grid = new QGridLayout(box);
        for (int row = 0; row < 5; ++row) {
            grid->addWidget(labels[row], row, 0);
            grid->addWidget(fields[row], row, 1);
        }
        grid->addWidget(buttons, 5, 1);
        grid->setRowStretch(6, 1);
    };
    auto* sourceButtons = new QWidget(GroupBox1);
    auto* sourceButtonRow = new QHBoxLayout(sourceButtons);
    sourceButtonRow->setContentsMargins(0, 0, 0, 0);
    sourceButtonRow->addWidget(btnReStoreSource);
    sourceButtonRow->addWidget(btnImportSource);
    sourceButtonRow->addWidget(btnRefSourceDBList);
    auto* targetButtons = new QWidget(GroupBox2);
    auto* targetButtonRow = new QHBoxLayout(targetButtons);
    targetButtonRow->setContentsMargins(0, 0, 0, 0);
    targetButtonRow->addWidget(btnBackUpTarget);
    targetButtonRow->addWidget(btnRefTargetDBList);
    // Keeps both group boxes the same height whether the source buttons show or not.
    sourceButtons->setMinimumHeight(btnReStoreSource->sizeHint().height());
    targetButtons->setMinimumHeight(btnReStoreSource->sizeHint().height());

    QLabel* const sourceLabels[] = {lbServerSource, lbPortSource, lbUserSource, lbPWSource,
                                    lbDataSource};
    QWidget* const sourceFields[] = {edtServerSource, edtPortSource, edtUserSource, edtPWSource,
                                     edtDataSource};
    fillGroup(GroupBox1, sourceLabels, sourceFields, sourceButtons);
    QLabel* const targetLabels[] = {lbServerTarget, lbPortTarget, lbUserTarget, lbPWTarget,
                                    lbDataTarget};
    QWidget* const targetFields[] = {edtServerTarget, edtPortTarget, edtUserTarget, edtPWTarget,
                                     edtDataTarget};
    fillGroup(GroupBox2, targetLabels, targetFields, targetButtons);

    btOK = new QPushButton(QString::fromUtf8("开 始"), this);
    QFont startFont(QString::fromUtf8("宋体"));
    startFont.setPixelSize(19);
    btOK->setFont(startFont);
    btOK->setMinimumHeight(36);

    Memo = new QPlainTextEdit(this);
    Memo->setReadOnly(true);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    runProgress = new RunProgressView(this);
    Button1 = new QPushButton(QString::fromUtf8("退出"), this);

    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(runProgress, 1);
    bottom->addWidget(Button1);
    auto* main = new QVBoxLayout(this);
    main->addLayout(groups);
    main->addWidget(btOK);
    main->addWidget(Memo, 1);
    main->addLayout(bottom);
}

void TCopyDataForm::guarded(void (TCopyDataForm::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        source::showUncaughtError(services_.messages, e);
    }
}

void TCopyDataForm::connectHandlers() {
    auto on = [this](void (TCopyDataForm::*handler)()) {
        return [this, handler] { guarded(handler); };
    };
    connect(edtServerSource, &QLineEdit::textChanged, this,
            on(&TCopyDataForm::edtServerSourceChange));
    connect(edtServerTarget, &QLineEdit::textChanged, this,
            on(&TCopyDataForm::edtServerTargetChange));
    connect(edtDataSource, &DropDownComboBox::dropDown, this,
            on(&TCopyDataForm::edtDataSourceDropDown));
    connect(edtDataTarget, &DropDownComboBox::dropDown, this,
            on(&TCopyDataForm::edtDataTargetDropDown));
    connect(btnRefSourceDBList, &QPushButton::clicked, this,
            on(&TCopyDataForm::btnRefSourceDBListClick));
    connect(btnRefTargetDBList, &QPushButton::clicked, this,
            on(&TCopyDataForm::btnRefTargetDBListClick));
    connect(btnReStoreSource, &QPushButton::clicked, this,
            on(&TCopyDataForm::btnReStoreSourceClick));
    connect(btnImportSource, &QPushButton::clicked, this, on(&TCopyDataForm::btnImportSourceClick));
    connect(btnBackUpTarget, &QPushButton::clicked, this, on(&TCopyDataForm::btnBackUpTargetClick));
    connect(btOK, &QPushButton::clicked, this, on(&TCopyDataForm::btOKClick));
    connect(Button1, &QPushButton::clicked, this, on(&TCopyDataForm::Button1Click));
}

void TCopyDataForm::loadSettings() {
    // Setting a server field runs its change handler, as typing would.
    connections_.loadFields();
    const app::SideFields& s = connections_.source();
    const app::SideFields& t = connections_.target();
    edtServerSource->setText(q(s.server));
    edtPortSource->setText(q(s.port));
    edtUserSource->setText(q(s.user));
    if (connections_.devMode()) edtPWSource->setText(q(s.password));
    edtServerTarget->setText(q(t.server));
    edtPortTarget->setText(q(t.port));
    edtUserTarget->setText(q(t.user));
    if (connections_.devMode()) edtPWTarget->setText(q(t.password));
}

void TCopyDataForm::FormDestroy() { connections_.closeAll(); }

void TCopyDataForm::syncFields() {
    app::SideFields& s = connections_.source();
    s.server = text(edtServerSource);
    s.port = text(edtPortSource);
    s.user = text(edtUserSource);
    s.password = text(edtPWSource);
    s.database = edtDataSource->currentText().toStdString();
    app::SideFields& t = connections_.target();
    t.server = text(edtServerTarget);
    t.port = text(edtPortTarget);
    t.user = text(edtUserTarget);
    t.password = text(edtPWTarget);
    t.database = edtDataTarget->currentText().toStdString();
}

void TCopyDataForm::UpdateLocalSourceButtons() {
    bool local = app::isLocalSourceServer(text(edtServerSource), LocalHostIP);
    btnReStoreSource->setVisible(local);
    btnImportSource->setVisible(local);
}

namespace {
// Empties the list but keeps the text that stands in the field.
void clearEntries(QComboBox* box) {
    QString kept = box->currentText();
    box->clear();
    box->setEditText(kept);
}
}  // namespace

void TCopyDataForm::edtServerSourceChange() {
    clearEntries(edtDataSource);
    UpdateLocalSourceButtons();
}

void TCopyDataForm::edtServerTargetChange() {
    clearEntries(edtDataTarget);
    UpdateLocalSourceButtons();
}

void TCopyDataForm::edtDataSourceDropDown() {
    if (edtDataSource->count() > 0) return;
    edtDataSource->deferPopup();
    listDatabases(Side::Source, true);
}

void TCopyDataForm::edtDataTargetDropDown() {
    if (edtDataTarget->count() > 0) return;
    edtDataTarget->deferPopup();
    listDatabases(Side::Target, true);
}

void TCopyDataForm::btnRefSourceDBListClick() { listDatabases(Side::Source, false); }

void TCopyDataForm::btnRefTargetDBListClick() { listDatabases(Side::Target, false); }

void TCopyDataForm::listDatabases(Side side, bool showWhenFilled) {
    if (runActive() || backgroundBusy()) return;
    syncFields();
    DropDownComboBox* box = side == Side::Source ? edtDataSource : edtDataTarget;
    // The operator's choice stays when the server still has it.
    QString chosen = box->currentText();
    auto names = std::make_shared<std::vector<std::string>>();
    auto listed = std::make_shared<bool>(false);
    // Names listed before a failing statement stay, as the entries would. Adding
    // to an empty list selects its first entry; the text stays until decided below.
    auto fill = [box, names, chosen] {
        for (const auto& name : *names) box->addItem(q(name));
        box->setEditText(chosen);
    };
    inBackground(
        [this, side, names, listed] {
            auto add = [names](const std::string& name) { names->push_back(name); };
            *listed = side == Side::Source ? connections_.listSourceDatabases(add)
                                           : connections_.listTargetDatabases(add);
        },
        [box, names, listed, chosen, fill, showWhenFilled] {
            fill();
            if (!*listed || box->count() == 0) return;
            int keep = chosen.isEmpty()
                           ? -1
                           : box->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
            box->setCurrentIndex(keep >= 0 ? keep : 0);
            box->setEditText(box->itemText(box->currentIndex()));
            if (showWhenFilled) box->showPopup();
        },
        fill);
}

void TCopyDataForm::addNewSourceDatabase(const std::string& name) {
    // The server's names are appended to the entries already there; the new
    // account set is then the field's text.
    connections_.appendSourceDatabaseNames(
        [this](const std::string& entry) { edtDataSource->addItem(q(entry)); });
    edtDataSource->setEditText(q(name));
}

// Both source dialogs work on the source server's master database; a dialog that
// ends with OK has made a new account set, which becomes the source field's text.
template <typename SourceDialog>
void TCopyDataForm::runSourceDialog() {
    if (runActive() || backgroundBusy()) return;
    syncFields();
    if (!connections_.openSourceMaster()) return;
    source::SourceAccess access{connections_.conSource, connections_.qrySourceTmp, [this] {
                                    syncFields();
                                    return connections_.openSourceMaster();
                                }};
    SourceDialog form(access, services_.messages, services_.chooser, this);
    if (form.exec() == QDialog::Accepted) addNewSourceDatabase(form.databaseName());
}

void TCopyDataForm::btnReStoreSourceClick() { runSourceDialog<source::TReStoreForm>(); }

void TCopyDataForm::btnImportSourceClick() { runSourceDialog<source::TImportForm>(); }

void TCopyDataForm::btnBackUpTargetClick() {
    if (runActive() || backgroundBusy()) return;
    syncFields();
    QWidget::setCursor(Qt::WaitCursor);
    struct RestoreCursor {
        QWidget* w;
        ~RestoreCursor() { w->unsetCursor(); }
    } restore{this};
    app::TargetBackup backup(connections_);
    auto directory = backup.btnBackUpTargetClick(QDateTime::currentDateTime());
    if (directory && services_.openDirectory) services_.openDirectory(*directory);
}

void TCopyDataForm::btOKClick() {
    if (runActive() || backgroundBusy()) return;
    syncFields();
    auto checks = std::make_shared<app::StartCheckResult>();
    std::string version = ToolVersionMajor + "." + ToolVersionMinor;
    inBackground(
        [this, checks, version] {
            *checks = app::runStartChecks(
                connections_, version, [this](const std::string& line) { host_->appendLog(line); });
        },
        [this, checks] {
            if (checks->outcome == app::StartCheckOutcome::Passed) confirmAndStartRun();
        });
}

void TCopyDataForm::inBackground(std::function<void()> work, std::function<void()> then,
                                 std::function<void()> onError) {
    setBackgroundActive(true);
    task_.start(std::move(work), [this, then = std::move(then),
                                  onError = std::move(onError)](const std::string& error) {
        setBackgroundActive(false);
        if (error.empty()) {
            then();
        } else {
            if (onError) onError();
            source::showUncaughtError(services_.messages, std::runtime_error(error));
        }
        if (closeAfterTask_) {
            closeAfterTask_ = false;
            close();
        }
    });
}

void TCopyDataForm::setBackgroundActive(bool active) {
    // Fields that feed the connections stay as the work read them.
    GroupBox1->setEnabled(!active);
    GroupBox2->setEnabled(!active);
    btOK->setEnabled(!active);
    if (active) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void TCopyDataForm::confirmAndStartRun() {
    const std::string question =
        std::string(app::messages::kConfirmRunHead) +
        core::trimBlanks(connections_.source().database) + app::messages::kConfirmRunMiddle +
        core::trimBlanks(connections_.target().database) + app::messages::kConfirmRunTail;
    if (services_.messages.show(core::kHintCaption, question, core::MessageIcon::Question,
                                core::MessageButtons::YesNo) != core::MessageAnswer::Yes) {
        return;
    }

    auto ctx = std::make_unique<engine::RunContext>();
    connections_.fillRunContext(*ctx);
    ctx->LoadTableList = LoadTableList;
    ctx->ToolVersionMajor = ToolVersionMajor;
    ctx->ToolVersionMinor = ToolVersionMinor;
    ctx->host = host_.get();
    // Start is off before the worker exists, so a second click cannot start another run.
    btOK->setEnabled(false);
    setRunActive(true);
    if (reportDialog_) reportDialog_->close();
    runProgress->start();
    controller_->start(std::move(ctx));
}

void TCopyDataForm::setRunActive(bool active) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             edtDataSource, edtDataTarget, btnRefSourceDBList, btnRefTargetDBList, btnReStoreSource,
             btnImportSource, btnBackUpTarget}) {
        w->setEnabled(!active);
    }
}

void TCopyDataForm::runEnded(bool completed) {
    host_->flushLog();
    runProgress->stop();
    unsetCursor();
    setRunActive(false);
    btOK->setEnabled(true);
    // The report and a pending close come after the run's final message.
    host_->whenMessagesClosed([this, completed] { afterRun(completed); });
}

void TCopyDataForm::afterRun(bool completed) {
    const RunResult& result = controller_->result();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        emit runFinished(completed);
        close();
        return;
    }
    if (!result.report.tables.empty()) {
        QString savedAs = result.reportPath.empty()
                              ? QString::fromUtf8("报告无法保存：") + q(result.reportError)
                              : QString::fromUtf8("报告已保存：") + q(result.reportPath);
        if (reportDialog_) reportDialog_->deleteLater();
        reportDialog_ = new RunReportDialog(result.report, savedAs, this);
        reportDialog_->setAttribute(Qt::WA_DeleteOnClose);
        reportDialog_->show();
    }
    emit runFinished(completed);
}

void TCopyDataForm::Button1Click() { close(); }

void TCopyDataForm::closeEvent(QCloseEvent* event) {
    if (backgroundBusy()) {
        // A login is bounded; the window goes once it has answered.
        closeAfterTask_ = true;
        event->ignore();
        return;
    }
    // The run uses this window's connections until it ends.
    if (runActive()) {
        if (controller_->stopRequested() ||
            services_.messages.show(core::kHintCaption, app::messages::kStopRunQuestion,
                                    core::MessageIcon::Question,
                                    core::MessageButtons::YesNo) != core::MessageAnswer::Yes) {
            event->ignore();
            return;
        }
        // The run may have ended while the question was open; then close now.
        if (runActive()) {
            controller_->requestStop();
            closeAfterRun_ = true;
            event->ignore();
            return;
        }
    }
    if (reportDialog_) reportDialog_->close();
    event->accept();
}

}  // namespace gui
