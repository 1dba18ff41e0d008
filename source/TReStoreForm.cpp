#include "TReStoreForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "BusyAction.h"
#include "FileChooser.h"
#include "UncaughtError.h"
#include "core/MessageBox.h"
#include "core/TextRules.h"

namespace source {

namespace {

QString qs(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TReStoreForm::TReStoreForm(SourceAccess access, core::MessageBox& messages, FileChooser& chooser,
                           QWidget* parent)
    : QDialog(parent), access_(std::move(access)), messages_(messages), chooser_(chooser) {
    setObjectName("ReStoreForm");
    setWindowTitle(qs("恢复源账套"));
    setFixedSize(574, 176);

    Label1 = new QLabel(qs("选择备份文件："), this);
    Label2 = new QLabel(qs("数据恢复目录："), this);
    Label3 = new QLabel(qs("恢复账套代号："), this);
    edtSelectFile = new QLineEdit(this);
    edtSelectFile->setObjectName("edtSelectFile");
    edtDBDir = new QLineEdit(this);
    edtDBDir->setObjectName("edtDBDir");
    for (QLineEdit* chosen : {edtSelectFile, edtDBDir}) {
        chosen->setReadOnly(true);
        chosen->setEnabled(false);
    }
    btnSeleteFile = new QPushButton("...", this);
    btnSeleteFile->setObjectName("btnSeleteFile");
    btnDataDir = new QPushButton("...", this);
    btnDataDir->setObjectName("btnDataDir");
    edtAccCode = new QLineEdit(this);
    edtAccCode->setObjectName("edtAccCode");
    btnRestore = new QPushButton(qs("账套恢复"), this);
    btnRestore->setObjectName("btnRestore");
    for (QPushButton* button : {btnSeleteFile, btnDataDir, btnRestore})
        button->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtSelectFile, 0, 1);
    grid->addWidget(btnSeleteFile, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edtDBDir, 1, 1);
    grid->addWidget(btnDataDir, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(edtAccCode, 2, 1);
    grid->addWidget(btnRestore, 3, 1, 1, 2, Qt::AlignRight);

    connect(btnSeleteFile, &QPushButton::clicked, this, [this] { btnSeleteFileClick(); });
    connect(btnDataDir, &QPushButton::clicked, this, [this] { btnDataDirClick(); });
    restoreHandler_ = attachRestore();
}

QMetaObject::Connection TReStoreForm::attachRestore() {
    return connect(btnRestore, &QPushButton::clicked, this, [this] { btnRestoreClick(); });
}

void TReStoreForm::reject() {
    // Closing while the restore is under way would report nothing of its outcome.
    if (!busy_) QDialog::reject();
}

void TReStoreForm::focus(SourceFlowField field) {
    // The directory field is disabled and cannot take the focus; its chooser
    // button is where the operator fills it.
    if (field == SourceFlowField::DataDirectory) btnDataDir->setFocus();
    if (field == SourceFlowField::AccountCode) edtAccCode->setFocus();
}

RestoreRequest TReStoreForm::request() const {
    return {ArchivePath, edtDBDir->text().toStdString(), edtAccCode->text().toStdString()};
}

RestoreFlow TReStoreForm::flow() {
    return RestoreFlow(access_.conSource, access_.qrySourceTmp, messages_, wait_);
}

void TReStoreForm::btnSeleteFileClick() {
    std::string path =
        chooser_.openFile(Label1->text().toStdString(), "QXZip files (*.BAK)", "BAK");
    if (path.empty()) return;
    edtSelectFile->setText(QString::fromStdString(path));
    ArchivePath = path;
    std::optional<TBackupFileInfo> info;
    try {
        info = flow().select(path);
    } catch (const std::exception& error) {
        // The file could not even be opened.
        showUncaughtError(messages_, error);
        return;
    }
    if (info) {
        BackupFileInfo = *info;
        AccountCode = info->AccountCode;
        edtAccCode->setText(QString::fromStdString(info->AccountCode));
        return;
    }
    ArchivePath.clear();
    edtSelectFile->clear();
    edtAccCode->clear();
}

void TReStoreForm::btnDataDirClick() {
    std::string directory = chooser_.chooseDirectory(Label2->text().toStdString(), "");
    if (!directory.empty()) edtDBDir->setText(QString::fromStdString(directory));
}

void TReStoreForm::btnRestoreClick() {
    // The chosen path stands in the field; the flow checks the field's text.
    RestoreRequest checked = request();
    checked.archive = edtSelectFile->text().toStdString();
    if (auto refusal = flow().check(checked)) {
        focus(refusal->focus);
        return;
    }
    AccountCode = core::trimBlanks(edtAccCode->text().toStdString());
    if (messages_.show(core::kHintCaption, "确定继续恢复？", core::MessageIcon::Information,
                       core::MessageButtons::YesNo) != core::MessageAnswer::Yes)
        return;
    bool restored = false;
    try {
        BusyAction busy(
            restoreHandler_, [this] { return attachRestore(); }, busy_);
        restored = DoRestore();
    } catch (const std::exception& error) {
        showUncaughtError(messages_, error);
    }
    if (restored) accept();
}

bool TReStoreForm::DoRestore() {
    SourceFlowResult result = flow().restore(request());
    if (result.status != SourceFlowStatus::Done) return false;
    NewDatabaseName = result.databaseName;
    return true;
}

}  // namespace source
