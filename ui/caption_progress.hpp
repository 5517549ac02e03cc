// A progress sink that shows texts in the main window's caption. A window
// caption cannot take a million updates a second, so where the platform asks
// for it the latest text is shown at most once per interval; the last text
// of a run is always shown by finish(). It also answers the search's
// question whether to go on (poll()).
#pragma once
#include <cstdint>
#include <cstring>

#include "ui/platform.hpp"

namespace vh {

class CaptionProgress {
public:
    CaptionProgress() : interval_(platform::caption_interval_ms()), last_(platform::clock_ms()) {}

    void operator()(const char* text) {
        if (interval_ == 0) {
            platform::set_caption(text);
            return;
        }
        std::strncpy(latest_, text, sizeof latest_ - 1);
        pending_ = true;
        const std::uint32_t now = platform::clock_ms();
        if (shown_any_ && now - last_ < interval_) return;
        show(now);
    }

    // Whether to go on: false from the first time the user asked to cancel.
    bool poll() {
        if (!cancelled_ && platform::cancel_requested()) cancelled_ = true;
        return !cancelled_;
    }

    void finish() {
        if (pending_) show(platform::clock_ms());
    }

private:
    void show(std::uint32_t now) {
        platform::set_caption(latest_);
        last_ = now;
        pending_ = false;
        shown_any_ = true;
    }

    std::uint32_t interval_;
    std::uint32_t last_;
    bool pending_ = false;
    bool shown_any_ = false;
    bool cancelled_ = false;
    char latest_[256] = "";
};

}  // namespace vh
