#include "text/result_file.hpp"

#include <cstdio>
#include <memory>

namespace vh {

FileStatus write_result_file(const char* name, const std::function<void(TextSink&)>& body) {
    std::FILE* f = std::fopen(name, "wb");
    if (!f) return FileStatus::kCannotCreate;
    bool ok;
    {
        // The sink's buffer is large; keep it off the window thread's stack.
        auto sink = std::make_unique<FileSink>(f);
        body(*sink);
        ok = sink->flush();
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        std::remove(name);
        return FileStatus::kWriteFailed;
    }
    return FileStatus::kOk;
}

}  // namespace vh
