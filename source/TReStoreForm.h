#pragma once

#include <QDialog>
#include <string>

#include "PaintedWait.h"
#include "RestoreFlow.h"
#include "SourceAccess.h"
#include "TBackupFileInfo.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace core {
class MessageBox;
}

namespace source {

class FileChooser;

// "恢复源账套": the restore of RestoreFlow behind fields, a confirmation and the
// busy state. Closes with Accepted and the name in databaseName() on success; a failed
// restore leaves every field as it was. Borrows the source connection and query,
// the message box (also used by the archive component for its own notices) and
// the chooser for its lifetime. Main thread only; shown modally.
class TReStoreForm : public QDialog {
    Q_OBJECT
public:
    TReStoreForm(SourceAccess access, core::MessageBox& messages, FileChooser& chooser,
                 QWidget* parent = nullptr);

    // Refused while the action runs, so its outcome is always reported.
    void reject() override;

    std::string databaseName() const { return NewDatabaseName; }

    // The pause before each restore attempt (5 s), waited with the dialog painted.
    void setWait(Wait wait) { wait_ = std::move(wait); }

private:
    void btnSeleteFileClick();
    void btnDataDirClick();
    void btnRestoreClick();
    bool DoRestore();
    void focus(SourceFlowField field);
    RestoreRequest request() const;
    RestoreFlow flow();
    QMetaObject::Connection attachRestore();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* edtSelectFile;
    QLineEdit* edtDBDir;
    QPushButton* btnSeleteFile;
    QPushButton* btnDataDir;
    QLineEdit* edtAccCode;
    QPushButton* btnRestore;

    SourceAccess access_;
    core::MessageBox& messages_;
    FileChooser& chooser_;
    Wait wait_ = paintedWait;
    QMetaObject::Connection restoreHandler_;
    bool busy_ = false;
    std::string ArchivePath;
    std::string AccountCode;
    TBackupFileInfo BackupFileInfo;
    std::string NewDatabaseName;
};

}  // namespace source
