#pragma once

#include <functional>
#include <set>
#include <string>

namespace engine {

struct RunContext;

// Which repair steps of a source/target pair have taken effect. The record lives
// in the target (table lir2orbit.done_steps, outside the public schema the import
// lists) so that a step's statements and its record commit as one transaction:
// however a run is interrupted, a step has either fully taken effect and is
// recorded, or left no trace. A resumed run skips a recorded step.
class DoneSteps {
public:
    // Creates the record's table when missing and reads what it holds for the
    // run's pair. `fresh`: a run that starts from the beginning forgets it first.
    DoneSteps(RunContext& ctx, bool fresh);

    bool contains(const std::string& code) const { return done_.count(code) != 0; }

    // Runs `work` and records `code` as done, in one transaction on the target;
    // rolls back and rethrows when `work` throws.
    void run(const std::string& code, const std::function<void()>& work);

private:
    RunContext& ctx_;
    std::string section_;
    std::set<std::string> done_;
};

}  // namespace engine
