#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "DesktopRunHost.h"
#include "FormServices.h"
#include "LogView.h"
#include "RunController.h"
#include "app/Connections.h"
#include "engine/RunLog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace gui {

class DropDownComboBox;

// The main window: the source and target connection fields, Start, the run log
// and Exit. The controls are members under their own names so the handlers read
// as the operator sees them. Construction loads the skip list (and throws when it
// is missing) and the settings. During a run the database lists, restore, import,
// backup, Exit and the close box are inert. Main thread only.
class TCopyDataForm : public QWidget {
    Q_OBJECT
public:
    static const char* const kApplicationTitle;

    explicit TCopyDataForm(FormServices services, QWidget* parent = nullptr);
    ~TCopyDataForm() override;

    bool runActive() const { return controller_->isActive(); }
    app::Connections& connections() { return connections_; }
    std::vector<std::string> runLogLines() const { return log_.lines(); }

    // Handlers, named after the control and the event.
    void edtServerSourceChange();
    void edtServerTargetChange();
    void edtDataSourceDropDown();
    void edtDataTargetDropDown();
    void btnRefSourceDBListClick();
    void btnRefTargetDBListClick();
    void btnReStoreSourceClick();
    void btnImportSourceClick();
    void btnBackUpTargetClick();
    void btOKClick();
    void Button1Click();
    void UpdateLocalSourceButtons();

    QGroupBox* GroupBox1;
    QLabel *lbServerSource, *lbPortSource, *lbUserSource, *lbPWSource, *lbDataSource;
    QLineEdit *edtServerSource, *edtPortSource, *edtUserSource, *edtPWSource;
    DropDownComboBox* edtDataSource;
    QPushButton *btnRefSourceDBList, *btnReStoreSource, *btnImportSource;
    QGroupBox* GroupBox2;
    QLabel *lbServerTarget, *lbPortTarget, *lbUserTarget, *lbPWTarget, *lbDataTarget;
    QLineEdit *edtServerTarget, *edtPortTarget, *edtUserTarget, *edtPWTarget;
    DropDownComboBox* edtDataTarget;
    QPushButton *btnRefTargetDBList, *btnBackUpTarget;
    QPushButton* btOK;
    QPlainTextEdit* Memo;
    QPushButton* Button1;

    std::string ToolVersionMajor;
    std::string ToolVersionMinor;
    std::string LocalHostIP;
    std::vector<std::string> LoadTableList;

signals:
    // A run has ended (after its final message was queued).
    void runFinished(bool completed);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void connectHandlers();
    void loadSettings();
    void FormDestroy();
    // Copies the field texts into the connections before every operation.
    void syncFields();
    void setRunActive(bool active);
    void runEnded(bool completed);
    void addNewSourceDatabase(const std::string& name);
    template <typename SourceDialog>
    void runSourceDialog();
    // Runs a handler; an error that escapes it goes to the standard error box.
    void guarded(void (TCopyDataForm::*handler)());

    FormServices services_;
    engine::RunLog log_;
    app::Connections connections_;
    std::unique_ptr<LogView> logView_;
    std::unique_ptr<DesktopRunHost> host_;
    std::unique_ptr<RunController> controller_;
};

}  // namespace gui
