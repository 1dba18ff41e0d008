#pragma once

#include <string>
#include <vector>

namespace engine {

struct RunContext;

// The step sequence of a run, on the run's thread: table import ("11"), checkpoint
// ("12"), repairs ("13", "14", "15", "19"), script files ("20" to "22", "97", "98").
// Each step that passes its guard records its code in the resume section before its
// work starts. `storedStep`, `storedTable` and `resume` are the values the driver
// read at the start of the run; the guards never look at what this writes. Errors
// of any step pass out unchanged.
void RunMigrationSteps(RunContext& ctx, const std::string& storedStep,
                       const std::string& storedTable, bool resume);

// Runs a script file of the program directory (`fileName` relative to it, e.g.
// "sql/updateend.sql") as one command on the target, its text as scriptText reads
// it (UTF-8, else code page 936). With
// `skipWhenEmpty` an empty file does nothing, and `announce` (when not empty) is
// appended to the run log before a non-empty file is executed. A missing or
// unreadable file throws RunError.
void RunScriptFile(RunContext& ctx, const std::string& fileName, bool skipWhenEmpty,
                   const std::string& announce = {});

// Refuses (RunError naming it) a resume record that cannot belong to a run on this
// target: a step code that is not one of the run's, or, inside the table import, a
// table that `tables` (the target's table list) does not hold.
void checkResumeRecord(const std::string& storedStep, const std::string& storedTable,
                       const std::vector<std::string>& tables);

// Step guard: a step runs on a fresh run, or when the stored code is byte-wise at or
// below its own.
bool stepPasses(const std::string& code, const std::string& storedStep, bool resume);

}  // namespace engine
