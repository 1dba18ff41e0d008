#include "TImportForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "BusyAction.h"
#include "DataFileNames.h"
#include "FileChooser.h"
#include "UncaughtError.h"
#include "core/MessageBox.h"
#include "core/TextRules.h"

namespace source {

namespace {

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

AttachFlow TImportForm::flow() {
    return AttachFlow(access_.conSource, access_.qrySourceTmp, messages_, wait_);
}

void TImportForm::btnImportClick() {
    AttachRequest request{edtSelectFile->text().toStdString(), edtAccCode->text().toStdString()};
    if (auto refusal = flow().check(request)) {
        if (refusal->focus == SourceFlowField::AccountCode) edtAccCode->setFocus();
        return;
    }
    AccountCode = core::trimBlanks(request.code);
    if (messages_.show(core::kHintCaption, "确定继续引入？", core::MessageIcon::Information,
                       core::MessageButtons::YesNo) != core::MessageAnswer::Yes)
        return;
    SourceFlowResult result;
    try {
        BusyAction busy(
            importHandler_, [this] { return attachImport(); }, busy_);
        result = flow().attach(request);
    } catch (const std::exception& error) {
        showUncaughtError(messages_, error);
        return;
    }
    if (result.status != SourceFlowStatus::Done) return;
    NewDatabaseName = result.databaseName;
    accept();
}

}  // namespace source
