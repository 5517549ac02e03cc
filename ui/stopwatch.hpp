// The boot-to-load stopwatch: a thread of its own polls the millisecond
// clock and shows the elapsed time, in hundredths, in the stopwatch display; the
// stopwatch button starts and stops it.
#pragma once
#include <atomic>
#include <cstdint>

namespace vh {

enum StopwatchState : int { kStopwatchIdle = 0, kStopwatchStartRequested = 1, kStopwatchRunning = 2 };

struct Stopwatch {
    // Each transition has one writer: the window thread makes 0 -> 1 and
    // 2 -> 0, the stopwatch thread 1 -> 2.
    std::atomic<int> state{kStopwatchIdle};
    // Owned by the stopwatch thread.
    std::uint32_t start_ms = 0;
    std::uint32_t shown_hundredths = 0;
};

extern Stopwatch g_stopwatch;

// One pass of the stopwatch thread's loop (without its 1 ms sleep).
void stopwatch_pass(Stopwatch& sw);
// The thread body: passes with a 1 ms sleep between them, forever.
[[noreturn]] void stopwatch_thread_body();
// The stopwatch button's command, on the window thread.
void toggle_stopwatch(Stopwatch& sw);

}  // namespace vh
