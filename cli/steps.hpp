// One step of a varnholt-cli run. The raw `ID=TEXT`, `press ID`, `show ID`
// and `wait MS` steps and the named commands both become these.
#pragma once
#include <string>

namespace vh::cli {

struct Step {
    enum Op {
        kSet,             // type `text` (UTF-8) into control `id`, tick it or select an item
        kPress,           // press control `id`
        kShow,            // print control `id`
        kWait,            // sleep `id` milliseconds
        kAwaitStopwatch,  // wait until the running stopwatch shows `id` hundredths
        kAdopt,           // adopt candidate `id` (1-based) of the last candidate search
    };
    Op op;
    int id = 0;
    std::string text;
};

}  // namespace vh::cli
