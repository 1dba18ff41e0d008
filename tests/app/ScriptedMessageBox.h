#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/MessageBox.h"

namespace apptest {

// Records every box shown and answers questions from a script (No when the
// script is empty). Main thread only, like the boxes it stands for.
class ScriptedMessageBox : public core::MessageBox {
public:
    struct Shown {
        std::string caption;
        std::string text;
        core::MessageIcon icon;
        core::MessageButtons buttons;
    };

    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override {
        shown.push_back({caption, text, icon, buttons});
        if (buttons == core::MessageButtons::Ok) return core::MessageAnswer::Ok;
        if (answers.empty()) {
            return buttons == core::MessageButtons::YesNo ? core::MessageAnswer::No
                                                          : core::MessageAnswer::Cancel;
        }
        core::MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& s : shown) out.push_back(s.text);
        return out;
    }

    std::vector<Shown> shown;
    std::deque<core::MessageAnswer> answers;
};

}  // namespace apptest
