// Implementation of write_and_open (see ui/commands.hpp).
#pragma once
#include "text/result_file.hpp"

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

}  // namespace vh
