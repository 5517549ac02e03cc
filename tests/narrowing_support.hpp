// Running the fast narrowing and its literal reference side by side.
#pragma once
#include <string>
#include <vector>

#include "features/narrowing.hpp"
#include "reference/narrowing_reference.hpp"

namespace vh::test {

struct NarrowingRun {
    std::string file;
    std::vector<std::string> progress;
};

inline NarrowingRun run_fast(const NarrowingRequest& req, const NarrowingOptions& opt = {}) {
    NarrowingRun run;
    StringSink sink;
    auto collect = [&](const char* t) { run.progress.emplace_back(t); };
    run_narrowing(req, collect, sink, opt);
    run.file = std::move(sink.text);
    return run;
}

inline NarrowingRun run_literal(const NarrowingRequest& req, int forward_table = kSeedRunSize) {
    NarrowingRun run;
    StringSink sink;
    reference::narrowing(req, [&](const char* t) { run.progress.emplace_back(t); }, sink, forward_table);
    run.file = std::move(sink.text);
    return run;
}

// The lines of a file without their CR LF.
inline std::vector<std::string> lines_of(const std::string& file) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < file.size()) {
        const std::size_t end = file.find("\r\n", start);
        if (end == std::string::npos) {
            out.push_back(file.substr(start));
            break;
        }
        out.push_back(file.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

inline NarrowingRequest all_minimums(int v) {
    NarrowingRequest r;
    r.min_ivs = {v, v, v, v, v, v};
    return r;
}

}  // namespace vh::test
