#pragma once

#include <functional>
#include <string>

namespace core {
class MessageBox;
}
namespace source {
class FileChooser;
}

namespace gui {

// What the main window uses from outside: message boxes, file choosers, the
// desktop's file browser, where its files live and the host address lookup.
// The desktop passes the real ones; tests pass scripted ones.
struct FormServices {
    core::MessageBox& messages;
    source::FileChooser& chooser;
    std::function<void(const std::string& directory)> openDirectory;
    std::string programDir;                       // config.ini, sql/, log/, backup/
    std::string loadTablePath = "loadtable.txt";  // bare name: the working directory
    std::function<std::string()> localHostIP;     // empty: the system's lookup
};

}  // namespace gui
