#include "support/ScriptedMessageBox.h"

#include <gtest/gtest.h>

namespace support {

namespace {

constexpr std::size_t kEndlessPrompting = 1000;

core::MessageAnswer given(bool yes, core::MessageButtons buttons) {
    if (buttons == core::MessageButtons::YesNo)
        return yes ? core::MessageAnswer::Yes : core::MessageAnswer::No;
    return yes ? core::MessageAnswer::Ok : core::MessageAnswer::Cancel;
}

}  // namespace

core::MessageAnswer ScriptedMessageBox::show(const std::string& caption, const std::string& text,
                                             core::MessageIcon icon, core::MessageButtons buttons) {
    shown.push_back({caption, text, icon, buttons});
    if (shown.size() > kEndlessPrompting) {
        ADD_FAILURE() << "endless prompting: " << text;
        return given(false, buttons);
    }
    if (answer) return answer(shown.back());
    if (buttons == core::MessageButtons::Ok) return core::MessageAnswer::Ok;
    if (answers.empty()) return given(unscripted_ == Unscripted::Yes, buttons);
    const core::MessageAnswer next = answers.front();
    answers.pop_front();
    return next;
}

std::vector<std::string> ScriptedMessageBox::texts() const {
    std::vector<std::string> out;
    for (const auto& box : shown) out.push_back(box.text);
    return out;
}

}  // namespace support
