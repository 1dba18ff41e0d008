#include "TCopyDataForm.h"

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

#include "DropDownComboBox.h"
#include "app/LoadTableList.h"
#include "app/LocalHost.h"
#include "app/Messages.h"
#include "app/StartChecks.h"
#include "app/TargetBackup.h"
#include "core/MessageBox.h"
#include "core/Settings.h"
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
      connections_(services_.programDir, services_.messages) {
    createControls();
    logView_ = std::make_unique<LogView>(*Memo);
    host_ = std::make_unique<DesktopRunHost>(log_, *logView_, services_.messages);
    controller_ = std::make_unique<RunController>(*host_);
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
    // The run (if any) ends before the connections it uses are closed.
    controller_.reset();
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

    Button1 = new QPushButton(QString::fromUtf8("退出"), this);

    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
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
    if (edtDataSource->count() == 0) btnRefSourceDBListClick();
}

void TCopyDataForm::edtDataTargetDropDown() {
    if (edtDataTarget->count() == 0) btnRefTargetDBListClick();
}

void TCopyDataForm::btnRefSourceDBListClick() {
    if (runActive()) return;
    syncFields();
    bool listed = connections_.listSourceDatabases(
        [this](const std::string& name) { edtDataSource->addItem(q(name)); });
    if (listed && edtDataSource->count() > 0) edtDataSource->setCurrentIndex(0);
}

void TCopyDataForm::btnRefTargetDBListClick() {
    if (runActive()) return;
    syncFields();
    bool listed = connections_.listTargetDatabases(
        [this](const std::string& name) { edtDataTarget->addItem(q(name)); });
    if (listed && edtDataTarget->count() > 0) edtDataTarget->setCurrentIndex(0);
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
    if (runActive()) return;
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
    if (runActive()) return;
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
    if (runActive()) return;
    syncFields();
    app::StartCheckResult checks = app::runStartChecks(
        connections_, ToolVersionMajor + "." + ToolVersionMinor, [this](const std::string& line) {
            log_.append(line);
            host_->flushLog();
        });
    if (checks.outcome != app::StartCheckOutcome::Passed) return;

    auto ctx = std::make_unique<engine::RunContext>();
    connections_.fillRunContext(*ctx);
    ctx->LoadTableList = LoadTableList;
    ctx->ToolVersionMajor = ToolVersionMajor;
    ctx->ToolVersionMinor = ToolVersionMinor;
    ctx->host = host_.get();
    // Start is off before the worker exists, so a second click cannot start another run.
    btOK->setEnabled(false);
    setRunActive(true);
    controller_->start(std::move(ctx));
}

void TCopyDataForm::setRunActive(bool active) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             edtDataSource, edtDataTarget, btnRefSourceDBList, btnRefTargetDBList, btnReStoreSource,
             btnImportSource, btnBackUpTarget, Button1}) {
        w->setEnabled(!active);
    }
}

void TCopyDataForm::runEnded(bool completed) {
    host_->flushLog();
    unsetCursor();
    setRunActive(false);
    btOK->setEnabled(true);
    emit runFinished(completed);
}

void TCopyDataForm::Button1Click() {
    if (runActive()) return;
    close();
}

void TCopyDataForm::closeEvent(QCloseEvent* event) {
    // The run uses this window's connections until it ends.
    if (runActive()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace gui
