#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "core/MessageBox.h"

namespace app {

// Message boxes of the command line: "caption: text" on the error stream, "\r\n"
// inside a text written as a line break. A question takes the preset answer when
// there is one, else asks on the input when it is a terminal, else answers No
// (Cancel for OK/Cancel). Main thread only.
class CliMessageBox : public core::MessageBox {
public:
    CliMessageBox(std::ostream& err, std::istream& in, bool inputIsTerminal,
                  std::optional<bool> presetYes = std::nullopt);

    core::MessageAnswer show(const std::string& caption, const std::string& text,
                             core::MessageIcon icon, core::MessageButtons buttons) override;

    // Said after a question answered No for want of a terminal, e.g. which option
    // answers it beforehand.
    void setNoTerminalHint(std::string hint) { noTerminalHint_ = std::move(hint); }

private:
    bool ask();

    std::ostream& err_;
    std::istream& in_;
    bool inputIsTerminal_;
    std::optional<bool> presetYes_;
    std::string noTerminalHint_;
};

}  // namespace app
