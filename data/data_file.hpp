// Opening a data file read at start: only a plain file is opened, and
// without waiting, so a named pipe or a device in its place (a link to
// /dev/zero, say) reads as a missing file instead of holding up the start.
#pragma once
#include <cstdio>

namespace vh {

// The file opened for reading in binary mode, or null when it is missing,
// cannot be read or is no plain file.
std::FILE* open_data_file(const char* path);

}  // namespace vh
