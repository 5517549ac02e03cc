#include "data/data_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vh {

#ifdef _WIN32

std::FILE* open_data_file(const char* path) {
    struct stat st;
    if (::stat(path, &st) != 0 || (st.st_mode & S_IFMT) != S_IFREG) return nullptr;
    return std::fopen(path, "rb");
}

#else

// Opening without O_NONBLOCK would wait for a writer of a named pipe.
std::FILE* open_data_file(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}

#endif

}  // namespace vh
