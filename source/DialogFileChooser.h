#pragma once

#include "FileChooser.h"

class QWidget;

namespace source {

// The desktop's choosers: Qt's file-open dialog and directory chooser over
// `parent` (borrowed). Main thread only.
class DialogFileChooser final : public FileChooser {
public:
    explicit DialogFileChooser(QWidget* parent) : parent_(parent) {}

    std::string openFile(const std::string& caption, const std::string& filter,
                         const std::string& defaultSuffix) override;
    std::string chooseDirectory(const std::string& caption, const std::string& start) override;

private:
    QWidget* parent_;
};

}  // namespace source
