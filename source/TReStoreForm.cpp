#include "TReStoreForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <stdexcept>

#include "AccountCode.h"
#include "BusyAction.h"
#include "FileChooser.h"
#include "SqlText.h"
#include "UncaughtError.h"
#include "archive/TQXZip.h"
#include "core/MessageBox.h"
#include "core/TextRules.h"

namespace source {

namespace {

constexpr int kRestoreAttempts = 5;
constexpr int kPauseBeforeAttemptMs = 5000;
constexpr const char* kTemporaryBackupSet = "cwtemp.mdf";

QString qs(const char* utf8) { return QString::fromUtf8(utf8); }

bool exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

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

bool TReStoreForm::CheckAccountCode() {
    auto refusal =
        source::CheckAccountCode(edtAccCode->text().toStdString(), edtDBDir->text().toStdString());
    if (!refusal) return true;
    messages_.show("提示", refusal->message, core::MessageIcon::Warning, core::MessageButtons::Ok);
    // The directory field is disabled and cannot take the focus; its chooser
    // button is where the operator fills it.
    (refusal->field == AccountCodeField::DataDirectory ? static_cast<QWidget*>(btnDataDir)
                                                       : edtAccCode)
        ->setFocus();
    return false;
}

void TReStoreForm::btnSeleteFileClick() {
    BackupFileInfo.ArchiveId = TBackupFileInfo::kArchiveId;
    BackupFileInfo.SplitId = TBackupFileInfo::kSplitId;
    std::string path =
        chooser_.openFile(Label1->text().toStdString(), "QXZip files (*.BAK)", "BAK");
    if (path.empty()) return;
    edtSelectFile->setText(QString::fromStdString(path));
    ArchivePath = path;
    try {
        if (path.find(".BAK") != std::string::npos && ReadBackupInfo(path)) {
            edtAccCode->setText(QString::fromStdString(BackupFileInfo.AccountCode));
            return;
        }
    } catch (const std::exception& error) {
        // The file could not even be opened.
        showUncaughtError(messages_, error);
        return;
    }
    ArchivePath.clear();
    edtSelectFile->clear();
    edtAccCode->clear();
    messages_.show("提示", "该文件不是MSSQL版《Quoxel财务》的备份文件！",
                   core::MessageIcon::Warning, core::MessageButtons::Ok);
}

bool TReStoreForm::ReadBackupInfo(const std::string& path) {
    if (!BackupFileInfo.Read(path)) return false;
    AccountCode = BackupFileInfo.AccountCode;
    return true;
}

void TReStoreForm::btnDataDirClick() {
    std::string directory = chooser_.chooseDirectory(Label2->text().toStdString(), "");
    if (!directory.empty()) edtDBDir->setText(QString::fromStdString(directory));
}

void TReStoreForm::btnRestoreClick() {
    if (!CheckAccountCode()) return;
    AccountCode = core::trimBlanks(edtAccCode->text().toStdString());
    if (core::trimBlanks(edtSelectFile->text().toStdString()).empty()) {
        messages_.show("提示", "请选择备份文件！", core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return;
    }
    if (messages_.show("提示", "确定继续恢复？", core::MessageIcon::Information,
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
    try {
        return RestoreDatabase(ArchivePath, core::trimBlanks(edtDBDir->text().toStdString()),
                               AccountCode);
    } catch (const std::exception&) {
        messages_.show("提示", "恢复账套失败！", core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return false;
    }
}

bool TReStoreForm::RestoreDatabase(const std::string& path, std::string directory,
                                   std::string code) {
    if (!exists(path)) {
        messages_.show("错误", "备份文件不存在!", core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return false;
    }
    if (!exists(directory)) {
        if (messages_.show("提示", "数据目录不存在,是否创建？", core::MessageIcon::Information,
                           core::MessageButtons::YesNo) != core::MessageAnswer::Yes)
            return false;
        std::error_code failed;
        // One level only: a missing parent is the operator's mistake, not ours to make.
        if (!std::filesystem::create_directory(directory, failed) || failed) {
            messages_.show("错误", "创建指定的数据目录失败!", core::MessageIcon::Error,
                           core::MessageButtons::Ok);
            return false;
        }
    }
    if (directory.back() != '/') directory += '/';
    code = core::trimBlanks(code);
    if (SourceDatabaseExists(access_.qrySourceTmp, code)) {
        messages_.show("提示", kNameTakenMessage, core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return false;
    }
    std::string backupSet = directory + kTemporaryBackupSet;
    bool unzipped = false;
    try {
        if (exists(backupSet)) std::filesystem::remove(backupSet);
        archive::TQXZip zip(messages_);
        unzipped = zip.UnZip(path, backupSet, BackupProductVersion);
    } catch (const std::exception&) {
        messages_.show("提示", "解压缩时出错!", core::MessageIcon::Error, core::MessageButtons::Ok);
        return false;
    }
    // The component has said why when it wrote nothing; a backup set it did not
    // finish is not restored either.
    if (!unzipped || !exists(backupSet)) return false;
    if (!RestoreFromBackupFile(backupSet, directory, code)) return false;
    std::error_code ignored;
    std::filesystem::remove(backupSet, ignored);
    return true;
}

bool TReStoreForm::RestoreFromBackupFile(const std::string& backupFile,
                                         const std::string& directory, const std::string& code) {
    const std::string name = SourceDatabaseName(code);
    db::SourceQuery& query = access_.qrySourceTmp;
    query.close();
    query.setText("RESTORE FILELISTONLY FROM disk = " + sqlString(backupFile));
    query.open();
    if (query.eof()) throw std::runtime_error("the backup set lists no files");
    std::string statement = "Restore Database " + name + " from disk = " + sqlString(backupFile) +
                            " with replace, \n Move " + sqlString(query.value(0).toText()) +
                            " To " + sqlString(directory + name + ".mdf");
    query.next();
    if (!query.eof())
        statement += "\n ,Move " + sqlString(query.value(0).toText()) + " To " +
                     sqlString(directory + name + ".ldf");
    for (int attempt = 1;; ++attempt) {
        wait_(kPauseBeforeAttemptMs);
        try {
            access_.conSource.execute(statement);
            break;
        } catch (const std::exception&) {
            if (attempt < kRestoreAttempts) continue;
            messages_.show("提示", "恢复时,创建帐套数据库失败! 请检查磁盘是否足够!",
                           core::MessageIcon::Error, core::MessageButtons::Ok);
            query.close();
            return false;
        }
    }
    query.close();
    NewDatabaseName = name;
    return true;
}

}  // namespace source
