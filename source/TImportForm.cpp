#include "TImportForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "AccountCode.h"
#include "BusyAction.h"
#include "DataFileNames.h"
#include "FileChooser.h"
#include "SqlText.h"
#include "UncaughtError.h"
#include "core/MessageBox.h"
#include "core/TextRules.h"

namespace source {

namespace {

constexpr int kPauseAfterAttachMs = 2000;

QString qs(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

TImportForm::TImportForm(SourceAccess access, core::MessageBox& messages, FileChooser& chooser,
                         QWidget* parent)
    : QDialog(parent), access_(std::move(access)), messages_(messages), chooser_(chooser) {
    setObjectName("ImportForm");
    setWindowTitle(qs("引入源账套"));
    setFixedSize(574, 132);

    Label1 = new QLabel(qs("选择引入文件："), this);
    Label3 = new QLabel(qs("恢复账套代号："), this);
    edtSelectFile = new QLineEdit(this);
    edtSelectFile->setObjectName("edtSelectFile");
    edtSelectFile->setReadOnly(true);
    edtSelectFile->setEnabled(false);
    btnSelectFile = new QPushButton("...", this);
    btnSelectFile->setObjectName("btnSelectFile");
    edtAccCode = new QLineEdit(this);
    edtAccCode->setObjectName("edtAccCode");
    btnImport = new QPushButton(qs("账套引入"), this);
    btnImport->setObjectName("btnImport");
    btnImport->setAutoDefault(false);
    btnSelectFile->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtSelectFile, 0, 1);
    grid->addWidget(btnSelectFile, 0, 2);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(edtAccCode, 1, 1);
    grid->addWidget(btnImport, 2, 1, 1, 2, Qt::AlignRight);

    connect(btnSelectFile, &QPushButton::clicked, this, [this] { btnSelectFileClick(); });
    importHandler_ = attachImport();
}

QMetaObject::Connection TImportForm::attachImport() {
    return connect(btnImport, &QPushButton::clicked, this, [this] { btnImportClick(); });
}

void TImportForm::reject() {
    // Closing while the attach is under way would report nothing of its outcome.
    if (!busy_) QDialog::reject();
}

bool TImportForm::CheckAccountCode() {
    auto refusal = source::CheckAccountCode(edtAccCode->text().toStdString());
    if (!refusal) return true;
    messages_.show("提示", refusal->message, core::MessageIcon::Warning, core::MessageButtons::Ok);
    edtAccCode->setFocus();
    return false;
}

void TImportForm::btnSelectFileClick() {
    std::string path = chooser_.openFile(Label1->text().toStdString(),
                                         "MS SQLSERVER帐套文件 (*.MDF);;所有文件 (*)", "MDF");
    if (path.empty()) {
        edtSelectFile->clear();
        edtAccCode->clear();
        return;
    }
    edtSelectFile->setText(QString::fromStdString(path));
    edtAccCode->setText(QString::fromStdString(ProposedAccountCode(path)));
}

void TImportForm::btnImportClick() {
    if (!CheckAccountCode()) return;
    AccountCode = core::trimBlanks(edtAccCode->text().toStdString());
    std::string dataFile = core::trimBlanks(edtSelectFile->text().toStdString());
    if (dataFile.empty()) {
        messages_.show("提示", "请选择引入文件！", core::MessageIcon::Warning,
                       core::MessageButtons::Ok);
        return;
    }
    if (messages_.show("提示", "确定继续引入？", core::MessageIcon::Information,
                       core::MessageButtons::YesNo) != core::MessageAnswer::Yes)
        return;
    std::error_code ignored;
    if (!std::filesystem::exists(dataFile, ignored)) {
        messages_.show("提示", "数据文件不存在", core::MessageIcon::Information,
                       core::MessageButtons::Ok);
        return;
    }
    try {
        BusyAction busy(
            importHandler_, [this] { return attachImport(); }, busy_);
        importAttached(AccountCode, dataFile);
    } catch (const std::exception& error) {
        showUncaughtError(messages_, error);
    }
}

// The part of the import that runs in the busy state.
void TImportForm::importAttached(const std::string& code, const std::string& dataFile) {
    if (SourceDatabaseExists(access_.qrySourceTmp, code)) {
        messages_.show("提示", kNameTakenMessage, core::MessageIcon::Error,
                       core::MessageButtons::Ok);
        return;
    }
    // The server builds a new log; an old one beside the file would be refused.
    for (const auto& log : OldLogFiles(dataFile)) {
        std::error_code ignored;
        std::filesystem::remove(log, ignored);
    }
    std::string name = SourceDatabaseName(code);
    access_.qrySourceTmp.close();
    try {
        access_.conSource.execute("Exec sp_attach_single_file_db @dbname =" + sqlString(name) +
                                  ",@physname = " + sqlString(dataFile));
    } catch (const std::exception& error) {
        std::string text = error.what();
        // The server reports the log file it had to rebuild as an error; the
        // database is attached all the same.
        if (text.find("LDF") == std::string::npos) {
            const char* message = text.find("无法打开") != std::string::npos
                                      ? "无法打开物理文件!"
                                      : "无法引入帐套,可能文件已被破坏!";
            messages_.show("提示", message, core::MessageIcon::Information,
                           core::MessageButtons::Ok);
            return;
        }
    }
    wait_(kPauseAfterAttachMs);
    NewDatabaseName = name;
    accept();
}

}  // namespace source
