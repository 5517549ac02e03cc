// Implementation of write_and_open (see ui/commands.hpp).
#pragma once
#include <cstddef>

#include "text/result_file.hpp"
#include "ui/platform.hpp"

namespace vh {

void report_file_failure(const char* name, FileStatus status);
void open_result(const char* name);

template <class Body>
bool write_and_open(const char* name, Body&& body) {
    const FileStatus status = write_result_file(name, body);
    if (status != FileStatus::kOk) {
        report_file_failure(name, status);
        return false;
    }
    open_result(name);
    return true;
}

// For a feature that writes only from the window thread: passes its writes
// on and, before each, asks whether the user cancelled; a cancel stops both
// sinks, so the feature ends at its next check of stopped().
class CancellableSink final : public TextSink {
public:
    explicit CancellableSink(TextSink& inner) : inner_(inner) {}
    void write(const char* bytes, std::size_t n) override {
        if (!stopped() && !inner_.stopped() && platform::cancel_requested()) inner_.stop();
        if (!inner_.stopped()) inner_.write(bytes, n);
        if (inner_.stopped()) stop();
    }

private:
    TextSink& inner_;
};

}  // namespace vh
