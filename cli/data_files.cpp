#include "cli/data_files.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "data/data_file.hpp"

namespace vh::cli {

std::string data_file_problem(const char* path) {
    struct stat st {};
    if (stat(path, &st) != 0) {
        if (errno == ENOENT) return "not found in the working directory";
        return std::string("cannot be read: ") + std::strerror(errno);
    }
    // The same opening as the window's: only a plain file, without waiting.
    if (!S_ISREG(st.st_mode)) return "cannot be read: not a plain file";
    std::FILE* f = open_data_file(path);
    if (!f) return std::string("cannot be read: ") + std::strerror(errno);
    std::fgetc(f);
    const bool failed = std::ferror(f) != 0;
    const int error = errno;
    std::fclose(f);
    if (failed) return std::string("cannot be read: ") + std::strerror(error);
    return "";
}

}  // namespace vh::cli
