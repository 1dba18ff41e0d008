#pragma once

#include <string>

namespace core {

enum class MessageIcon { None, Warning, Information, Error, Question };
enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// The caption of the product's notices and questions ("hint").
inline constexpr const char* kHintCaption = "提示";

// A modal message box: caption, text, icon, buttons; returns the button pressed.
// The desktop shows QMessageBoxes, the command line writes to stderr and reads a
// terminal, tests answer from a script. Implementations say on which thread they
// may be called.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual MessageAnswer show(const std::string& caption, const std::string& text,
                               MessageIcon icon, MessageButtons buttons) = 0;
};

}  // namespace core
