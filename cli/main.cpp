// varnholt-cli: the main window without a screen. It holds the same controls
// as the window and runs commands through the same dispatcher, so a field
// given as ID=TEXT is read, cut, parsed and clamped exactly as in the window.
// Named commands check their values first and type them in a form the field
// reads as meant.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cli/data_files.hpp"
#include "cli/help.hpp"
#include "cli/named_options.hpp"
#include "cli/steps.hpp"
#include "data/settings.hpp"
#include "data/species.hpp"
#include "encoding/sjis_utf8.hpp"
#include "text/result_file.hpp"
#include "ui/app_state.hpp"
#include "ui/controls.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"
#include "ui/platform.hpp"
#include "ui/stopwatch.hpp"

namespace {

using namespace vh;
using cli::Step;

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set by a signal handler");

extern "C" void on_cancel_signal(int sig) {
    g_signal.store(sig, std::memory_order_relaxed);
    headless::set_cancel(true);
}

void catch_cancel_signals() {
    struct sigaction sa {};
    sa.sa_handler = on_cancel_signal;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// A standard stream closed at start gets a descriptor that refuses writes:
// no file opened later takes its number, and writing to the stream fails.
void hold_closed_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int held = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (held >= 0 && held != fd) {
            dup2(held, fd);
            close(held);
        }
    }
}

bool close_stream(std::FILE* f) {
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    return std::fclose(f) == 0 && ok;
}

// Output that could not be written makes a successful run a failed one.
[[noreturn]] void finish(int status) {
    if (!close_stream(stdout)) {
        std::fputs("varnholt-cli: cannot write standard output\n", stderr);
        if (status == 0) status = 1;
    }
    if (!close_stream(stderr) && status == 0) status = 1;
    std::_Exit(status);  // the stopwatch thread ends with the process
}

// A command cancelled by a signal has already removed its temporary file.
void finish_if_cancelled() {
    if (const int sig = g_signal.load(std::memory_order_relaxed)) finish(128 + sig);
}

[[noreturn]] void usage_error(const std::string& what) {
    std::fprintf(stderr, "varnholt-cli: %s (see --help)\n", what.c_str());
    finish(2);
}

void print_caption(const char* text) { std::fprintf(stderr, "%s\n", encoding::sjis_to_utf8(text).c_str()); }

bool parse_id(const std::string& s, int& id) {
    if (s.empty() || s.size() > 7) return false;
    id = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        id = id * 10 + (c - '0');
    }
    return true;
}

int need_number(const std::vector<std::string>& args, std::size_t& i, const char* step) {
    int id;
    if (i + 1 >= args.size() || !parse_id(args[i + 1], id))
        usage_error(std::string(step) + " needs a number after it");
    ++i;
    return id;
}

// The raw steps and the named commands, in order; usage errors stop here,
// before anything runs.
std::vector<Step> parse_steps(const std::vector<std::string>& args) {
    std::vector<Step> steps;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (cli::is_named_command(a)) {
            std::string error;
            if (!cli::expand_named(args, i, steps, error)) usage_error(error);
        } else if (a == "press") {
            steps.push_back({Step::kPress, need_number(args, i, "press"), ""});
        } else if (a == "show") {
            steps.push_back({Step::kShow, need_number(args, i, "show"), ""});
        } else if (a == "wait") {
            steps.push_back({Step::kWait, need_number(args, i, "wait"), ""});
        } else {
            const auto eq = a.find('=');
            int id;
            if (eq == std::string::npos || !parse_id(a.substr(0, eq), id)) usage_error("unknown step '" + a + "'");
            steps.push_back({Step::kSet, id, a.substr(eq + 1)});
        }
    }
    return steps;
}

void set_control(int id, const std::string& value_utf8) {
    if (!headless::exists(id)) usage_error("no control " + std::to_string(id));
    switch (headless::kind(id)) {
        case ControlKind::kEdit: {
            const auto sjis = encoding::utf8_to_sjis(value_utf8);
            if (!sjis) usage_error("text for " + std::to_string(id) + " has characters without a Shift-JIS code");
            headless::set_field(id, *sjis);
            return;
        }
        case ControlKind::kCheck:
            if (value_utf8 != "on" && value_utf8 != "off") usage_error("check box " + std::to_string(id) + " takes on or off");
            headless::set_check(id, value_utf8 == "on");
            return;
        case ControlKind::kCombo:
        case ControlKind::kComboNoTab: {
            int index;
            if (!parse_id(value_utf8, index) || !headless::select(id, index))
                usage_error("drop-down " + std::to_string(id) + " has no item " + value_utf8);
            return;
        }
        default: usage_error("control " + std::to_string(id) + " cannot be set");
    }
}

void show_control(int id) {
    if (!headless::exists(id)) usage_error("no control " + std::to_string(id));
    switch (headless::kind(id)) {
        case ControlKind::kCheck: std::printf("%s\n", platform::is_checked(id) ? "on" : "off"); return;
        case ControlKind::kCombo:
        case ControlKind::kComboNoTab: {
            const int sel = platform::selected_item(id);
            const auto items = headless::items(id);
            const std::string text = sel >= 0 && sel < static_cast<int>(items.size()) ? items[sel] : "";
            std::printf("%d %s\n", sel, encoding::sjis_to_utf8(text).c_str());
            return;
        }
        default: std::printf("%s\n", encoding::sjis_to_utf8(headless::text(id)).c_str());
    }
}

// A data file's problem, said once, before the first command that uses it.
struct DataNote {
    int command;
    const char* file;
    std::string problem;
    const char* consequence;
};

std::vector<DataNote> g_notes;

void note_data_files() {
    g_notes.push_back({kCheckListButton, kSpeciesFile, cli::data_file_problem(kSpeciesFile),
                       "the check list uses zero base stats and finds no species"});
    g_notes.push_back({kBootLoadButton, kSettingsFile, cli::data_file_problem(kSettingsFile),
                       "the measured seconds and delay start empty"});
}

void say_data_notes(int command) {
    for (DataNote& n : g_notes) {
        if (n.command != command || n.problem.empty()) continue;
        std::fprintf(stderr, "varnholt-cli: %s %s; %s\n", n.file, n.problem.c_str(), n.consequence);
        n.problem.clear();
    }
}

// Read in large blocks: a forward narrowing can write a gigabyte.
long count_rows(const char* file) {
    std::FILE* f = std::fopen(file, "rb");
    if (!f) return 0;
    static char block[1 << 16];
    long lines = 0;
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) lines += std::count(block, block + n, '\n');
    std::fclose(f);
    return lines > 0 ? lines - 1 : 0;  // the header is no row
}

void press(int id) {
    say_data_notes(id);
    const bool ok = dispatch_command(id);
    for (const std::string& file : headless::take_opened()) {
        const long rows = count_rows(file.c_str());
        std::fprintf(stderr, "varnholt-cli: wrote %s, %ld row%s\n", file.c_str(), rows, rows == 1 ? "" : "s");
    }
    finish_if_cancelled();
    if (headless::take_repaint_request()) {
        headless::take_painted();
        paint_results();
        for (const std::string& t : headless::take_painted()) std::printf("%s\n", encoding::sjis_to_utf8(t).c_str());
    }
    if (!ok) finish(1);
}

// The display is the stopwatch thread's; its text is read as the window
// would read it.
void await_stopwatch(int hundredths) {
    const auto shown = [] {
        char text[256];
        platform::get_text(kStopwatchDisplay, text, sizeof text - 1);
        return static_cast<int>(std::atof(text) * 100.0 + 0.5);
    };
    for (;;) {
        const int state = g_stopwatch.state.load();
        // Idle right after the start press: that press stopped a running stopwatch.
        if (state == kStopwatchIdle) usage_error("stopwatch: the stopwatch was running; this stopped it");
        if (state == kStopwatchRunning && shown() >= hundredths) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void adopt(int candidate) {
    if (candidate > g_app.candidates.count)
        usage_error("adopt --candidate " + std::to_string(candidate) + ": the last candidates search found " +
                    std::to_string(g_app.candidates.count));
    press(kAdoptFirstId + candidate - 1);
}

void run(const Step& s) {
    switch (s.op) {
        case Step::kSet: set_control(s.id, s.text); return;
        case Step::kPress: press(s.id); return;
        case Step::kShow: show_control(s.id); return;
        case Step::kWait:
            for (int slept = 0; slept < s.id; slept += 10) {
                std::this_thread::sleep_for(std::chrono::milliseconds(s.id - slept < 10 ? s.id - slept : 10));
                finish_if_cancelled();
            }
            return;
        case Step::kAwaitStopwatch: await_stopwatch(s.id); return;
        case Step::kAdopt: adopt(s.id); return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    hold_closed_standard_streams();
    catch_cancel_signals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            std::fputs(cli::help_text().c_str(), stdout);
            finish(0);
        }

    headless::on_caption(print_caption);
    start_stopwatch_thread();
    note_data_files();
    on_window_create();  // loads the species table, which --species is checked against
    const std::vector<Step> steps = parse_steps(args);
    create_window_contents();
    for (const Step& s : steps) {
        finish_if_cancelled();
        run(s);
    }
    finish(0);
}
