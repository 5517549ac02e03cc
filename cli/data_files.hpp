// The data files the window reads at start. The window stays silent when one
// is missing; the command line says so.
#pragma once
#include <string>

namespace vh::cli {

// Empty when `path` can be read; else why not ("not found in the working
// directory", "cannot be read: Permission denied").
std::string data_file_problem(const char* path);

}  // namespace vh::cli
