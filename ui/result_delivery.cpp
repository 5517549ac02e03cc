#include "ui/result_delivery.hpp"

#include <cstdio>

#include "ui/platform.hpp"

namespace vh {

void report_file_failure(const char* name, FileStatus status) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  status == FileStatus::kCannotCreate ? "%sを作成できません" : "%sを書き込めません", name);
    platform::set_caption(buf);
}

void open_result(const char* name) { platform::open_with_viewer(name); }

}  // namespace vh
