// Writing a whole result file in the working directory.
#pragma once
#include <functional>

#include "text/sink.hpp"

namespace vh {

enum class FileStatus { kOk, kCannotCreate, kWriteFailed, kCancelled };

// Lets `body` write the file `name` and puts it in place only when it is
// whole: the body writes a temporary file beside `name`, which replaces
// `name` once the body has finished without its sink being stopped and the
// file has been flushed and closed. A failed write, flush or close
// (kWriteFailed) or a stop without a failed write (kCancelled) removes the
// temporary file and leaves an earlier `name` as it was. When neither the
// temporary file nor `name` can be made (`name` is a folder, say), the
// result is kCannotCreate; the body is not run when the temporary file
// cannot be created.
FileStatus write_result_file(const char* name, const std::function<void(TextSink&)>& body);

// The temporary names write_result_file uses for `name` start with this text
// followed by `name`.
inline constexpr const char* kTemporaryPrefix = "~tmp-";

}  // namespace vh
