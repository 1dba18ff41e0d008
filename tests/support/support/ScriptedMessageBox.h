#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/MessageBox.h"

namespace support {

// Stands in for the message boxes: records every box shown and answers it
// through `answer` when set (OK boxes too), else OK boxes with OK and questions
// from `answers` in order, then with the answer each test states when it makes
// the box. A box shown over and over ends as a test failure with a refusal
// instead of a test that never ends. Main thread only, like the boxes.
class ScriptedMessageBox final : public core::MessageBox {
public:
    // What an unscripted question gets: Yes (OK for a prompt), or No (Cancel).
    enum class Unscripted { Yes, No };

    struct Shown {
        std::string caption;
        std::string text;
        core::MessageIcon icon;
        core::MessageButtons buttons;
    };

    explicit ScriptedMessageBox(Unscripted unscripted) : unscripted_(unscripted) {}

    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override;
    std::vector<std::string> texts() const;

    std::function<core::MessageAnswer(const Shown&)> answer;
    std::deque<core::MessageAnswer> answers;
    std::vector<Shown> shown;

private:
    Unscripted unscripted_;
};

}  // namespace support
