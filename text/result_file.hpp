// Writing a whole result file in the working directory.
#pragma once
#include <functional>

#include "text/sink.hpp"

namespace vh {

enum class FileStatus { kOk, kCannotCreate, kWriteFailed };

// Creates (or replaces) `name`, lets `body` write it, and closes it. When the
// file cannot be created, `body` is not run. When writing or closing fails,
// the incomplete file is removed, so no half-written file is left as if done.
FileStatus write_result_file(const char* name, const std::function<void(TextSink&)>& body);

}  // namespace vh
