#include "TableResult.h"

namespace engine {

const char* statusName(TableStatus status) {
    switch (status) {
        case TableStatus::Copied:
            return "copied";
        case TableStatus::Changed:
            return "changed";
        case TableStatus::Merged:
            return "merged";
        case TableStatus::Skipped:
            return "skipped";
        case TableStatus::Absent:
            return "absent";
        case TableStatus::Empty:
            return "empty";
        case TableStatus::Failed:
            return "failed";
    }
    return "failed";
}

}  // namespace engine
