#include "CliMessageBox.h"

#include <istream>
#include <ostream>
#include <string>

#include "core/TextRules.h"

namespace app {

namespace {
std::string asLines(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
}  // namespace

CliMessageBox::CliMessageBox(std::ostream& err, std::istream& in, bool inputIsTerminal,
                             std::optional<bool> presetYes)
    : err_(err), in_(in), inputIsTerminal_(inputIsTerminal), presetYes_(presetYes) {}

bool CliMessageBox::ask() {
    if (presetYes_) {
        err_ << (*presetYes_ ? "y" : "n") << "\n";
        return *presetYes_;
    }
    if (!inputIsTerminal_) {
        err_ << "n" << (noTerminalHint_.empty() ? "" : " (" + noTerminalHint_ + ")") << "\n";
        return false;
    }
    for (;;) {
        err_ << "[y/n] " << std::flush;
        std::string line;
        if (!std::getline(in_, line)) return false;
        std::string answer = core::toLowerAscii(core::trimBlanks(line));
        if (answer == "y" || answer == "yes") return true;
        if (answer == "n" || answer == "no") return false;
    }
}

core::MessageAnswer CliMessageBox::prompt(const std::string& text) {
    if (!promptRule_) return ask() ? core::MessageAnswer::Ok : core::MessageAnswer::Cancel;
    const bool repeated = promptRule_->repeatCancels && text == lastPrompt_;
    lastPrompt_ = text;
    const core::MessageAnswer answer = repeated ? core::MessageAnswer::Cancel : promptRule_->answer;
    err_ << (answer == core::MessageAnswer::Ok ? "ok" : "cancel") << "\n";
    return answer;
}

core::MessageAnswer CliMessageBox::show(const std::string& caption, const std::string& text,
                                        core::MessageIcon, core::MessageButtons buttons) {
    err_ << caption << ": " << asLines(text) << "\n" << std::flush;
    switch (buttons) {
        case core::MessageButtons::Ok:
            return core::MessageAnswer::Ok;
        case core::MessageButtons::YesNo:
            return ask() ? core::MessageAnswer::Yes : core::MessageAnswer::No;
        case core::MessageButtons::OkCancel:
            return prompt(text);
    }
    return core::MessageAnswer::Cancel;
}

}  // namespace app
