#pragma once

#include <string>

#include "core/Settings.h"

namespace engine {

struct RunContext;

// The resume state of the run's source/target pair in config.ini: "HistoryStep" and
// "HistoryTabName" of the section <source>To<target>. Holds only the path and the
// section name; every read and write opens and closes the file, and a write is on
// disk when it returns (it throws core::TextError when it cannot be made).
class ResumeRecord {
public:
    explicit ResumeRecord(const RunContext& ctx);

    const std::string& section() const { return section_; }

    std::string step() const;   // "00" when nothing is recorded
    std::string table() const;  // empty when nothing is recorded
    void writeStep(const std::string& code);
    void writeTable(const std::string& table);
    // After a successful run: "00", then the empty table name.
    void reset();

private:
    const RunContext& ctx_;
    core::Settings settings_;
    std::string section_;
};

}  // namespace engine
