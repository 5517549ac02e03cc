#include "ui/stopwatch.hpp"

#include <cstdio>
#include <thread>

#include "ui/commands.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/platform.hpp"

namespace vh {

Stopwatch g_stopwatch;

void stopwatch_pass(Stopwatch& sw) {
    const int state = sw.state.load(std::memory_order_acquire);
    if (state == kStopwatchStartRequested) {
        sw.start_ms = platform::clock_ms();
        sw.shown_hundredths = 0;
        sw.state.store(kStopwatchRunning, std::memory_order_release);
    } else if (state == kStopwatchRunning) {
        const std::uint32_t elapsed = (platform::clock_ms() - sw.start_ms) / 10u;
        if (elapsed > sw.shown_hundredths) {
            sw.shown_hundredths = elapsed;
            char buf[256];
            std::snprintf(buf, sizeof buf, "%.2f", elapsed / 100.0);
            platform::set_text(kStopwatchDisplay, buf);
        }
    }
}

void stopwatch_thread_body() {
    for (;;) {
        stopwatch_pass(g_stopwatch);
        platform::sleep_1ms();
    }
}

void start_stopwatch_thread() { std::thread(stopwatch_thread_body).detach(); }

void toggle_stopwatch(Stopwatch& sw) {
    int expected = kStopwatchIdle;
    if (sw.state.compare_exchange_strong(expected, kStopwatchStartRequested)) {
        platform::set_text(kStopwatchButton, "ロード");
        return;
    }
    expected = kStopwatchRunning;
    if (sw.state.compare_exchange_strong(expected, kStopwatchIdle)) platform::set_text(kStopwatchButton, "起動");
    // A press while the start request is still pending does nothing.
}

void command_stopwatch() { toggle_stopwatch(g_stopwatch); }

}  // namespace vh
