#include "ui/result_delivery.hpp"

#include <cstdio>

#include "ui/platform.hpp"

namespace vh {

void report_file_failure(const char* name, FileStatus status) {
    char buf[256];
    switch (status) {
        case FileStatus::kCannotCreate: std::snprintf(buf, sizeof buf, "%sを作成できません", name); break;
        case FileStatus::kCancelled: std::snprintf(buf, sizeof buf, "計算を中止しました"); break;
        default: std::snprintf(buf, sizeof buf, "%sを書き込めません", name); break;
    }
    platform::set_caption(buf);
}

void open_result(const char* name) { platform::open_with_viewer(name); }

}  // namespace vh
