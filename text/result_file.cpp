#include "text/result_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vh {

namespace {

#ifdef _WIN32
int process_id() { return _getpid(); }
int create_new(const char* path) {
    return _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}
std::FILE* stream_of(int fd) { return _fdopen(fd, "wb"); }
void close_fd(int fd) { _close(fd); }
bool replace(const char* from, const char* to) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
    // Some file systems cannot replace in one step.
    const DWORD attributes = GetFileAttributesA(to);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return DeleteFileA(to) && MoveFileA(from, to);
}
#else
int process_id() { return static_cast<int>(::getpid()); }
int create_new(const char* path) { return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }
std::FILE* stream_of(int fd) { return ::fdopen(fd, "wb"); }
void close_fd(int fd) { ::close(fd); }
bool replace(const char* from, const char* to) { return std::rename(from, to) == 0; }
#endif

// A name that is there and is no plain file (a folder, say) cannot be replaced.
bool replaceable(const char* name) {
    struct stat st;
    return ::stat(name, &st) != 0 || (st.st_mode & S_IFMT) == S_IFREG;
}

// Creates a new temporary file beside `name`, never one that is already there.
std::FILE* create_temporary(const char* name, char (&temp)[256]) {
    static int serial = 0;
    for (int tries = 0; tries < 100; ++tries) {
        const int n = std::snprintf(temp, sizeof temp, "%s%s.%d.%d", kTemporaryPrefix, name, process_id(), ++serial);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof temp) return nullptr;
        const int fd = create_new(temp);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        if (std::FILE* f = stream_of(fd)) return f;
        close_fd(fd);
        std::remove(temp);
        return nullptr;
    }
    return nullptr;
}

}  // namespace

FileStatus write_result_file(const char* name, const std::function<void(TextSink&)>& body) {
    if (!replaceable(name)) return FileStatus::kCannotCreate;
    char temp[256];
    std::FILE* f = create_temporary(name, temp);
    if (!f) return FileStatus::kCannotCreate;
    // The sink buffers; the stream passes every write straight on, so a full
    // disk shows at the first write that meets it.
    std::setvbuf(f, nullptr, _IONBF, 0);
    bool written, stopped;
    {
        // The sink's buffer is large; keep it off the window thread's stack.
        auto sink = std::make_unique<FileSink>(f);
        body(*sink);
        written = sink->flush();
        stopped = sink->stopped();
    }
    written = (std::fclose(f) == 0) && written;
    FileStatus status = FileStatus::kOk;
    if (!written)
        status = FileStatus::kWriteFailed;
    else if (stopped)
        status = FileStatus::kCancelled;
    else if (!replace(temp, name))
        status = FileStatus::kCannotCreate;
    if (status != FileStatus::kOk) std::remove(temp);
    return status;
}

}  // namespace vh
