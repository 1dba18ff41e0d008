#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "core/MessageBox.h"

namespace app {

// Message boxes of the command line: "caption: text" on the error stream, "\r\n"
// inside a text written as a line break, then the answer given. A question takes
// the preset answer when there is one, else asks on the input when it is a
// terminal, else answers No (Cancel for OK/Cancel). OK/Cancel prompts follow the
// prompt rule instead when the caller sets one. Main thread only.
class CliMessageBox : public core::MessageBox {
public:
    CliMessageBox(std::ostream& err, std::istream& in, bool inputIsTerminal,
                  std::optional<bool> presetYes = std::nullopt);

    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override;

    // Said after a question answered No for want of a terminal, e.g. which option
    // answers it beforehand.
    void setNoTerminalHint(std::string hint) { noTerminalHint_ = std::move(hint); }

    // OK/Cancel prompts answered by `answer` without asking; with
    // `repeatCancels`, the same prompt twice in a row is cancelled whatever
    // `answer` says (a disk prompt whose disk cannot change).
    void setPromptRule(core::MessageAnswer answer, bool repeatCancels) {
        promptRule_ = PromptRule{answer, repeatCancels};
    }

private:
    struct PromptRule {
        core::MessageAnswer answer;
        bool repeatCancels;
    };

    bool ask();
    core::MessageAnswer prompt(const std::string& text);

    std::ostream& err_;
    std::istream& in_;
    bool inputIsTerminal_;
    std::optional<bool> presetYes_;
    std::string noTerminalHint_;
    std::optional<PromptRule> promptRule_;
    std::string lastPrompt_;
};

}  // namespace app
