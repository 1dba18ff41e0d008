#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <QSignalSpy>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/DropDownComboBox.h"
#include "app/gui/TCopyDataForm.h"
#include "fixtures/ProgramDirectory.h"
#include "source/FileChooser.h"
#include "support/ScriptedMessageBox.h"

namespace apptest {

// A chooser whose operator always cancels.
class CancellingChooser : public source::FileChooser {
public:
    std::string openFile(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string chooseDirectory(const std::string&, const std::string&) override { return {}; }
};

// A main window over a temporary program directory (with sql/ and an empty
// loadtable.txt) and scripted message boxes.
class FormFixture {
public:
    explicit FormFixture(const std::string& configIni = {}, const std::string& localHostIP = "") {
        dir.write("loadtable.txt", "");
        if (!configIni.empty()) dir.write("config.ini", configIni);
        form = std::make_unique<gui::TCopyDataForm>(services(localHostIP));
    }

    gui::FormServices services(const std::string& localHostIP) {
        return gui::FormServices{messages,
                                 chooser,
                                 [this](const std::string& d) { openedDirectories.push_back(d); },
                                 dir.path(),
                                 dir.file("loadtable.txt"),
                                 [localHostIP] { return localHostIP; }};
    }

    void fill(const std::vector<std::string>& source, const std::vector<std::string>& target) {
        QLineEdit* s[] = {form->edtServerSource, form->edtPortSource, form->edtUserSource,
                          form->edtPWSource};
        QLineEdit* t[] = {form->edtServerTarget, form->edtPortTarget, form->edtUserTarget,
                          form->edtPWTarget};
        for (int i = 0; i < 4; ++i) {
            s[i]->setText(QString::fromStdString(source[i]));
            t[i]->setText(QString::fromStdString(target[i]));
        }
        form->edtDataSource->setEditText(QString::fromStdString(source[4]));
        form->edtDataTarget->setEditText(QString::fromStdString(target[4]));
    }

    // Clicks and, when that started work off the window's thread (Start checks,
    // a database list), waits until its result is applied.
    bool clickAndWait(QAbstractButton* button) {
        QSignalSpy done(form.get(), &gui::TCopyDataForm::backgroundFinished);
        button->click();
        return !form->backgroundBusy() || done.wait(120000);
    }

    // Opens a database field's list as the operator would, waits for a list that
    // is being fetched, and closes it again.
    bool dropDown(gui::DropDownComboBox* box) {
        QSignalSpy done(form.get(), &gui::TCopyDataForm::backgroundFinished);
        box->showPopup();
        bool finished = !form->backgroundBusy() || done.wait(120000);
        box->hidePopup();
        return finished;
    }

    fixtures::ProgramDirectory dir;
    support::ScriptedMessageBox messages{support::ScriptedMessageBox::Unscripted::No};
    CancellingChooser chooser;
    std::vector<std::string> openedDirectories;
    std::unique_ptr<gui::TCopyDataForm> form;
};

}  // namespace apptest
