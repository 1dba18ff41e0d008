#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BackgroundTask.h"
#include "DesktopRunHost.h"
#include "FormServices.h"
#include "LogView.h"
#include "MainThreadMessageBox.h"
#include "RunController.h"
#include "RunReportDialog.h"
#include "app/Connections.h"
#include "engine/RunLog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace gui {

class DropDownComboBox;
class RunProgressView;

// The main window: the source and target connection fields, Start, the run log
// with the run's progress under it, and Exit. The controls are members under
// their own names so the handlers read as the operator sees them. Construction
// loads the skip list (and throws when it is missing) and the settings.
//
// The Start checks and the database lists run off the window's thread (wait
// cursor, connection fields and Start inert); their message boxes still show on
// it. A run asks first whether the target may be replaced. During a run the
// database lists, restore, import and backup are inert; the close box and Exit
// ask whether to stop it, and the window closes once the run has ended. The
// run's verification report shows when it ends. Main thread only.
class TCopyDataForm : public QWidget {
    Q_OBJECT
public:
    static const char* const kApplicationTitle;

    explicit TCopyDataForm(FormServices services, QWidget* parent = nullptr);
    ~TCopyDataForm() override;

    bool runActive() const { return controller_->isActive(); }
    // Start checks or a database list are running off the window's thread.
    bool backgroundBusy() const { return task_.isRunning(); }
    // The last run's outcome and report (after runFinished).
    const RunResult& lastRun() const { return controller_->result(); }
    // The report of the last run, while its window is open.
    RunReportDialog* reportDialog() const { return reportDialog_; }
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
    RunProgressView* runProgress;
    QPushButton* Button1;

    std::string ToolVersionMajor;
    std::string ToolVersionMinor;
    std::string LocalHostIP;
    std::vector<std::string> LoadTableList;

signals:
    // A run has ended and its final message was answered; its report is shown
    // (unless the window is closing).
    void runFinished(bool completed);
    // Start checks or a database list have ended and their result is applied.
    void backgroundFinished();

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
    void afterRun(bool completed);
    void confirmAndStartRun();
    // Runs `work` off the window's thread with the connection fields and Start
    // inert, then `then` on it; when the work raised, `onError` and the error box.
    void inBackground(std::function<void()> work, std::function<void()> then,
                      std::function<void()> onError = {});
    void setBackgroundActive(bool active);
    enum class Side { Source, Target };
    void listDatabases(Side side, bool showWhenFilled);
    void addNewSourceDatabase(const std::string& name);
    template <typename SourceDialog>
    void runSourceDialog();
    // Runs a handler; an error that escapes it goes to the standard error box.
    void guarded(void (TCopyDataForm::*handler)());

    FormServices services_;
    MainThreadMessageBox boxes_;
    engine::RunLog log_;
    app::Connections connections_;
    std::unique_ptr<LogView> logView_;
    std::unique_ptr<DesktopRunHost> host_;
    std::unique_ptr<RunController> controller_;
    BackgroundTask task_;
    QPointer<RunReportDialog> reportDialog_;
    bool closeAfterRun_ = false;
    bool closeAfterTask_ = false;
};

}  // namespace gui
