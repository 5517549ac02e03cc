#include "cli/data_files.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vh::cli {

std::string data_file_problem(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        if (errno == ENOENT) return "not found in the working directory";
        return std::string("cannot be read: ") + std::strerror(errno);
    }
    std::fgetc(f);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed) return std::string("cannot be read: ") + std::strerror(error);
    return "";
}

}  // namespace vh::cli
