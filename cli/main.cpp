// varnholt-cli: the main window without a screen. It holds the same controls
// as the window and runs commands through the same dispatcher, so a field
// given here is read, cut, parsed and clamped exactly as in the window.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cli/encoding.hpp"
#include "cli/named_options.hpp"
#include "ui/controls.hpp"
#include "ui/dispatcher.hpp"
#include "ui/headless/headless.hpp"
#include "ui/platform.hpp"
#include "ui/stopwatch.hpp"
#include "ui/window.hpp"

namespace {

using namespace vh;

constexpr const char* kHelp =
    "usage: varnholt-cli [STEP ...]\n"
    "\n"
    "Runs the main window without a screen. At start it reads zarbel.dat and\n"
    "config.txt from the working directory, as the window does. Steps run left\n"
    "to right:\n"
    "  ID=TEXT      type TEXT into edit field ID (UTF-8, stored as Shift-JIS)\n"
    "  ID=on|off    tick or clear check box ID\n"
    "  ID=N         select item N (0-based) of combo box ID\n"
    "  press ID     press control ID (200 narrowing, 202 frame list, 210 stopwatch,\n"
    "               211 seed candidates, 212 boot and load time, 213 check list,\n"
    "               1001..1010 adopt a candidate)\n"
    "  show ID      print the text, check state (on/off) or selected item\n"
    "               (index and text) of control ID\n"
    "  wait MS      sleep MS milliseconds (the stopwatch keeps running)\n"
    "\n"
    "Result files (list.txt, syokiseed.txt, zure.txt) are written to the working\n"
    "directory exactly as the window writes them. After a command that repaints\n"
    "the window, the result texts it would paint are printed to standard output,\n"
    "one per line. Caption texts (progress) go to standard error, one per line.\n"
    "All output is UTF-8.\n"
    "\n"
    "Field IDs: narrowing 100-105 minimums H..D, 106 max low half (hex), 107 max\n"
    "frames, 108/109 IDs, 150 min power, 300 nature, 302 mode (0 reverse,\n"
    "1 forward), 303 hidden power type, 900 synchronize, 902 shiny, 907 fixed\n"
    "shiny creature. Frame list: 116 seed (hex), 117 frames, 110-115 minimums,\n"
    "301 nature, 901 synchronize, 903 shiny, 904 all natures, 908 fixed shiny\n"
    "creature, 118/119 IDs. Candidates: 133-138 values, 132 hour, 310 nature.\n"
    "Target seed: 140 target (hex), 142 month, 143 day, 311 direction, 144\n"
    "seconds, 145 delay (hex). Check list: 146 count, 147 species, 148 level,\n"
    "312-314 previous routes, 315 synchronize nature. Stopwatch display: 930.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM cancels a running command as Escape does in\n"
    "the window: the earlier result file stays as it was.\n"
    "\n"
    "Exit status: 0 on success; 1 when a result file, standard output or\n"
    "standard error could not be written; 2 on a usage error; 128 + the signal\n"
    "number (130 for SIGINT, 143 for SIGTERM) when cancelled by a signal.\n"
    "\n"
    "Example: varnholt-cli 116=12345678 117=3 press 202\n";

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

void print_caption(const char* text) { std::fprintf(stderr, "%s\n", cli::sjis_to_utf8(text).c_str()); }

bool parse_id(const std::string& s, int& id) {
    if (s.empty() || s.size() > 6) return false;
    id = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        id = id * 10 + (c - '0');
    }
    return true;
}

int need_id(const std::vector<std::string>& args, std::size_t& i, const char* step) {
    int id;
    if (i + 1 >= args.size() || !parse_id(args[i + 1], id)) usage_error(std::string(step) + " needs a control ID");
    ++i;
    return id;
}

void set_control(int id, const std::string& value_utf8) {
    if (!headless::exists(id)) usage_error("no control " + std::to_string(id));
    switch (headless::kind(id)) {
        case ControlKind::kEdit: {
            const auto sjis = cli::utf8_to_sjis(value_utf8);
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
                usage_error("combo box " + std::to_string(id) + " has no item " + value_utf8);
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
            std::printf("%d %s\n", sel, cli::sjis_to_utf8(text).c_str());
            return;
        }
        default: std::printf("%s\n", cli::sjis_to_utf8(headless::text(id)).c_str());
    }
}

void press(int id) {
    const bool ok = dispatch_command(id);
    finish_if_cancelled();
    if (headless::take_repaint_request()) {
        headless::take_painted();
        paint_results();
        for (const std::string& t : headless::take_painted()) std::printf("%s\n", cli::sjis_to_utf8(t).c_str());
    }
    if (!ok) finish(1);
}

}  // namespace

int main(int argc, char** argv) {
    hold_closed_standard_streams();
    catch_cancel_signals();
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            std::fputs(("\n" + cli::named_help()).c_str(), stdout);
            finish(0);
        }

    // Named commands expand into the same field steps.
    std::vector<std::string> steps;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const cli::NamedCommand* named = cli::find_named_command(args[i]);
        if (!named) {
            steps.push_back(args[i]);
            continue;
        }
        std::string error;
        if (!cli::expand_named(*named, args, i, steps, error)) usage_error(error);
    }
    args.swap(steps);

    headless::on_caption(print_caption);
    start_stopwatch_thread();
    on_window_create();
    create_window_contents();

    for (std::size_t i = 0; i < args.size(); ++i) {
        finish_if_cancelled();
        const std::string& a = args[i];
        if (a == "press") {
            press(need_id(args, i, "press"));
        } else if (a == "show") {
            show_control(need_id(args, i, "show"));
        } else if (a == "wait") {
            const int ms = need_id(args, i, "wait");
            for (int slept = 0; slept < ms; slept += 10) {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms - slept < 10 ? ms - slept : 10));
                finish_if_cancelled();
            }
        } else {
            const auto eq = a.find('=');
            int id;
            if (eq == std::string::npos || !parse_id(a.substr(0, eq), id)) usage_error("unknown step '" + a + "'");
            set_control(id, a.substr(eq + 1));
        }
    }
    finish(0);
}
