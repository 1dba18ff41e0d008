#pragma once

#include <QDialog>
#include <string>

#include "AttachFlow.h"
#include "PaintedWait.h"
#include "SourceAccess.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace core {
class MessageBox;
}

namespace source {

class FileChooser;

// "引入源账套": the attach of AttachFlow behind fields, a confirmation and the busy
// state. Closes with Accepted and the name in
// databaseName() on success; a failed import leaves every field as it was.
// Borrows the source connection and query, the message box and the chooser for
// its lifetime. Main thread only; shown modally by the main window.
class TImportForm : public QDialog {
    Q_OBJECT
public:
    TImportForm(SourceAccess access, core::MessageBox& messages, FileChooser& chooser,
                QWidget* parent = nullptr);

    // Refused while the action runs, so its outcome is always reported.
    void reject() override;

    std::string databaseName() const { return NewDatabaseName; }

    // The pause after a successful attach (2 s), waited with the dialog painted.
    void setWait(Wait wait) { wait_ = std::move(wait); }

private:
    void btnSelectFileClick();
    void btnImportClick();
    AttachFlow flow();
    QMetaObject::Connection attachImport();

    QLabel* Label1;
    QLabel* Label3;
    QLineEdit* edtSelectFile;
    QPushButton* btnSelectFile;
    QLineEdit* edtAccCode;
    QPushButton* btnImport;

    SourceAccess access_;
    core::MessageBox& messages_;
    FileChooser& chooser_;
    Wait wait_ = paintedWait;
    QMetaObject::Connection importHandler_;
    bool busy_ = false;
    std::string AccountCode;
    std::string NewDatabaseName;
};

}  // namespace source
