#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/MessageBox.h"
#include "source/FileChooser.h"

namespace sourcetest {

struct ShownMessage {
    std::string caption;
    std::string text;
    core::MessageIcon icon;
    core::MessageButtons buttons;
};

// Records every box; questions are answered from `answers` in order (Yes, or OK,
// when the script has run out).
class ScriptedMessages : public core::MessageBox {
public:
    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override {
        shown.push_back({caption, text, icon, buttons});
        if (shown.size() > 100) {
            // A prompt asked again and again: end the loop instead of the test run.
            ADD_FAILURE() << "endless prompting: " << text;
            return buttons == core::MessageButtons::YesNo ? core::MessageAnswer::No
                                                          : core::MessageAnswer::Cancel;
        }
        if (buttons == core::MessageButtons::Ok) return core::MessageAnswer::Ok;
        if (answers.empty())
            return buttons == core::MessageButtons::YesNo ? core::MessageAnswer::Yes
                                                          : core::MessageAnswer::Ok;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : shown) out.push_back(m.text);
        return out;
    }

    std::vector<ShownMessage> shown;
    std::deque<core::MessageAnswer> answers;
};

// Answers the choosers with the next prepared path ("" = cancelled) and keeps
// what it was asked.
class ScriptedChooser : public source::FileChooser {
public:
    std::string openFile(const std::string&, const std::string& filter,
                         const std::string& defaultSuffix) override {
        lastFilter = filter;
        lastSuffix = defaultSuffix;
        return next(files);
    }
    std::string chooseDirectory(const std::string&, const std::string&) override {
        return next(directories);
    }

    std::deque<std::string> files;
    std::deque<std::string> directories;
    std::string lastFilter;
    std::string lastSuffix;

private:
    static std::string next(std::deque<std::string>& queue) {
        if (queue.empty()) return {};
        std::string path = queue.front();
        queue.pop_front();
        return path;
    }
};

}  // namespace sourcetest
