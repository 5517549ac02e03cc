// A run that cannot write its file or is cancelled stops at once and leaves
// nothing partial: the features end at a stopped sink, a result file is put
// in place only whole, the commands report the failure or the cancel, and
// varnholt-cli turns both, and unwritable standard streams, into its exit
// status. Also: the data files never hold up the start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "features/check_list.hpp"
#include "features/frame_list.hpp"
#include "test_support.hpp"
#include "text/result_file.hpp"
#include "ui/app_state.hpp"
#include "ui/caption_progress.hpp"
#include "ui/frontend.hpp"
#include "ui/headless/headless.hpp"
#include "ui/window.hpp"

namespace vh {
namespace {

namespace fs = std::filesystem;

// Takes `room` bytes, then fails and stops like a full disk; counts every
// write that still arrives after that.
class FailingSink final : public TextSink {
public:
    explicit FailingSink(std::size_t room) : room_(room) {}
    void write(const char*, std::size_t n) override {
        if (stopped()) {
            ++writes_after_failure;
            return;
        }
        if (n > room_) {
            stop();
            return;
        }
        room_ -= n;
    }
    int writes_after_failure = 0;

private:
    std::size_t room_;
};

// put_text writes a row's text and its CR LF separately, so the row during
// which the failure came may still try its line end; nothing after it.
constexpr int kWritesOfOneRow = 2;

TEST(StopAtFailedWrite, FrameListAndCheckListEndAtTheRowThatFailed) {
    FrameListRequest list;
    list.seed = 0x12345678u;
    list.frames = 9999;
    for (const std::size_t room : {0u, 100u, 5000u, 300000u}) {
        FailingSink out(room);
        write_frame_list(list, out);
        EXPECT_TRUE(out.stopped()) << room;
        EXPECT_LE(out.writes_after_failure, kWritesOfOneRow) << "frame list, room " << room;
    }
    SpeciesTable species{};
    CheckListRequest check;
    check.target = 0x5A0A0650u;
    check.consumption = 20;
    for (const std::size_t room : {0u, 80u, 400u}) {
        FailingSink out(room);
        CheckListKept kept;
        write_check_list(check, species, kept, out);
        EXPECT_TRUE(out.stopped()) << room;
        EXPECT_LE(out.writes_after_failure, kWritesOfOneRow) << "check list, room " << room;
    }
}

// The names in the working directory other than the given ones.
std::vector<std::string> other_entries(const std::vector<std::string>& expected) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator("."))
        if (std::find(expected.begin(), expected.end(), e.path().filename().string()) == expected.end())
            out.push_back(e.path().filename().string());
    return out;
}

// Writes to files beyond `bytes` fail (EFBIG) while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit r = old_;
        r.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    sighandler_t old_handler_;
};

void write_rows(TextSink& out, int rows) {
    for (int i = 0; i < rows && !out.stopped(); ++i) put_text(out, "%08d,ABCDEFGHIJKLMNOPQRSTUVWXYZ\n", i);
}

TEST(ResultFile, AppearsOnlyWholeAndLeavesNoTemporaryFile) {
    test::ScratchDir dir;
    test::write_file("out.txt", "earlier");
    // Success replaces the earlier file.
    EXPECT_EQ(write_result_file("out.txt", [](TextSink& out) { write_rows(out, 3); }), FileStatus::kOk);
    EXPECT_EQ(test::read_file("out.txt"),
              "00000000,ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n00000001,ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
              "00000002,ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n");
    test::write_file("out.txt", "earlier");
    // While the body writes, nothing stands under the result's name but the earlier file.
    EXPECT_EQ(write_result_file("out.txt",
                                [](TextSink& out) {
                                    write_rows(out, 5000);
                                    EXPECT_EQ(test::read_file("out.txt"), "earlier");
                                    out.stop();  // a cancel
                                }),
              FileStatus::kCancelled);
    EXPECT_EQ(test::read_file("out.txt"), "earlier");
    EXPECT_EQ(other_entries({"out.txt"}), std::vector<std::string>{});
    {
        // A write that fails part-way (a full disk) stops the body's sink.
        FileSizeLimit limit(64 * 1024);
        int rows_after_stop = 0;
        EXPECT_EQ(write_result_file("out.txt",
                                    [&](TextSink& out) {
                                        for (int i = 0; i < 100000; ++i) {
                                            if (out.stopped()) ++rows_after_stop;
                                            put_text(out, "%08d,ABCDEFGHIJKLMNOPQRSTUVWXYZ\n", i);
                                        }
                                        EXPECT_TRUE(out.stopped());
                                    }),
                  FileStatus::kWriteFailed);
        // Stopped near the limit (about 3500 rows of 37 bytes), not at the end.
        EXPECT_GT(rows_after_stop, 90000);
    }
    EXPECT_EQ(test::read_file("out.txt"), "earlier");
    EXPECT_EQ(other_entries({"out.txt"}), std::vector<std::string>{});
    // A folder in the way: nothing is run or left.
    fs::create_directory("dir.txt");
    bool ran = false;
    EXPECT_EQ(write_result_file("dir.txt", [&](TextSink&) { ran = true; }), FileStatus::kCannotCreate);
    EXPECT_FALSE(ran);
    EXPECT_EQ(other_entries({"out.txt", "dir.txt"}), std::vector<std::string>{});
}

class CancelledCommand : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        g_app = AppState{};
        create_window_contents();
        headless::take_captions();
    }
    void TearDown() override { headless::reset(); }
    test::ScratchDir dir_;
};

TEST_F(CancelledCommand, KeepsTheEarlierFileOpensNothingAndSaysSo) {
    headless::set_field(116, "12345678");
    headless::set_field(117, "9999");
    headless::set_field(140, "5A0A0650");
    for (int id = 100; id <= 105; ++id) headless::set_field(id, "31");  // a short narrowing
    for (const auto& [command, file] :
         {std::pair{202, "list.txt"}, std::pair{213, "zure.txt"}, std::pair{200, "syokiseed.txt"}}) {
        test::write_file(file, "earlier");
        headless::set_cancel(true);
        EXPECT_FALSE(dispatch_command(command)) << command;
        headless::set_cancel(false);
        const auto captions = headless::take_captions();
        ASSERT_FALSE(captions.empty()) << command;
        EXPECT_EQ(captions.back(), "計算を中止しました") << command;
        EXPECT_TRUE(headless::take_opened().empty()) << command;
        EXPECT_EQ(test::read_file(file), "earlier") << command;
        if (command == 213) {
            EXPECT_EQ(g_app.ideal_roaming, -1);
        }
        // Not cancelled, the same press replaces the file.
        EXPECT_TRUE(dispatch_command(command)) << command;
        EXPECT_EQ(headless::take_opened(), std::vector<std::string>{file}) << command;
        EXPECT_NE(test::read_file(file), "earlier") << command;
        headless::take_captions();
    }
    EXPECT_EQ(other_entries({"list.txt", "zure.txt", "syokiseed.txt"}), std::vector<std::string>{});
    // The narrowing asks its caption progress, which answers from the first cancel on.
    CaptionProgress caption;
    EXPECT_TRUE(caption.poll());
    std::thread([] { headless::set_cancel(true); }).join();
    EXPECT_FALSE(caption.poll());
    headless::set_cancel(false);
    EXPECT_FALSE(caption.poll());
}

// Runs varnholt-cli through the shell with `args` (redirections included);
// stderr goes to err.log unless redirected; returns the exit status.
int cli_status(const std::string& args) {
    const int rc = std::system((std::string(VARNHOLT_CLI) + " " + args).c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(CliExit, UnwritableStandardStreamsFailTheRun) {
    test::ScratchDir dir;
    EXPECT_EQ(cli_status("show 117 >out.log 2>err.log"), 0);
    EXPECT_EQ(cli_status("133=8 134=30 135=19 136=15 137=29 138=15 132=12 310=11 press 211 >/dev/full 2>err.log"), 1);
    EXPECT_NE(test::read_file("err.log").find("standard output"), std::string::npos);
    EXPECT_EQ(cli_status("show 117 >&- 2>err.log"), 1);
    EXPECT_EQ(cli_status("--help >/dev/full 2>err.log"), 1);
    // Standard error carries the caption of a failed write.
    fs::create_directory("list.txt");
    EXPECT_EQ(cli_status("116=1 117=1 press 202 >out.log 2>/dev/full"), 1);
    // A closed standard output does not lend its number to a result file.
    fs::remove("list.txt");
    EXPECT_EQ(cli_status("116=12345678 117=3 press 202 >&- 2>err.log"), 0);
    EXPECT_EQ(test::read_file("list.txt").substr(0, 6), "消費数");
}

// Starts varnholt-cli with `args` in the working directory, output to
// out.log and err.log in `logs`.
pid_t spawn_cli(const std::vector<std::string>& args, const std::string& logs = ".") {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen((logs + "/out.log").c_str(), "w", stdout) ||
            !std::freopen((logs + "/err.log").c_str(), "w", stderr))
            _exit(127);
        std::vector<char*> argv{const_cast<char*>(VARNHOLT_CLI)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VARNHOLT_CLI, argv.data());
        _exit(127);
    }
    return pid;
}

// The exit status of `pid`, or -1 when it has not ended within `seconds`
// (then it is killed) or ended by a signal.
int exit_within(pid_t pid, int seconds) {
    int status = 0;
    for (int i = 0; i < seconds * 100; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// Waits until process `pid` catches signal `sig` (its handler is installed),
// at most 10 s: a slow start, as under the sanitizers, is not a failure.
void wait_until_catching(pid_t pid, int sig) {
    for (int i = 0; i < 1000; ++i) {
        const std::string status = test::read_file("/proc/" + std::to_string(pid) + "/status");
        const std::size_t at = status.find("SigCgt:");
        if (at != std::string::npos && (std::stoull(status.substr(at + 7), nullptr, 16) >> (sig - 1) & 1u) != 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(CliExit, SignalsCancelWithTheirOwnStatus) {
    test::ScratchDir dir;
    for (const int sig : {SIGINT, SIGTERM}) {
        const pid_t pid = spawn_cli({"wait", "20000"});
        wait_until_catching(pid, sig);
        kill(pid, sig);
        EXPECT_EQ(exit_within(pid, 5), 128 + sig);
    }
}

// Special files in place of the data files read as missing files.
TEST(DataFiles, NamedPipeAndDeviceDoNotHoldUpTheStart) {
    test::ScratchDir dir;
    ASSERT_EQ(mkfifo("zarbel.dat", 0600), 0);
    fs::create_symlink("/dev/zero", "config.txt");
    EXPECT_EQ(exit_within(spawn_cli({"show", "144"}), 10), 0);
    EXPECT_EQ(test::read_file("out.log"), "\n");
    fs::remove("zarbel.dat");
    fs::remove("config.txt");
    ASSERT_EQ(mkfifo("config.txt", 0600), 0);
    fs::create_symlink("/dev/zero", "zarbel.dat");
    EXPECT_EQ(exit_within(spawn_cli({"show", "145"}), 10), 0);
}

// On a small file system of its own (root only): a full disk ends the run
// with exit status 1 and leaves neither the result nor a temporary file.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "mounting a 4 MiB tmpfs needs root";
        fs::create_directory("disk");
        if (mount("tmpfs", "disk", "tmpfs", 0, "size=4m") != 0) {
            fs::remove("disk");
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        }
        mounted_ = true;
        fs::current_path("disk");
    }
    void TearDown() override {
        if (!mounted_) return;
        fs::current_path("..");
        umount("disk");
    }
    // The last caption varnholt-cli printed (logs stay off the small disk).
    static std::string last_caption() {
        std::string text = test::read_file("../err.log");
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text.substr(text.rfind('\n') + 1);
    }
    test::ScratchDir dir_;
    bool mounted_ = false;
};

TEST_F(FullDisk, FrameListKeepsTheEarlierFile) {
    test::write_file("list.txt", "earlier");
    test::write_file("filler", std::string(3900 * 1024, 'x'));
    EXPECT_EQ(exit_within(spawn_cli({"116=1", "117=9999", "press", "202"}, ".."), 30), 1);
    EXPECT_EQ(test::read_file("list.txt"), "earlier");
    EXPECT_EQ(last_caption(), test::utf8(u8"list.txtを書き込めません"));
    EXPECT_EQ(other_entries({"list.txt", "filler"}), std::vector<std::string>{});
}

// Needs the narrowing to end at a stopped sink.
TEST_F(FullDisk, NarrowingWithTheWindowDefaultsEndsWithinSeconds) {
    EXPECT_EQ(exit_within(spawn_cli({"press", "200"}, ".."), 20), 1);
    EXPECT_EQ(last_caption(), test::utf8(u8"syokiseed.txtを書き込めません"));
    EXPECT_EQ(other_entries({}), std::vector<std::string>{});
}

// Needs the narrowing to ask its progress whether to go on.
TEST(CliCancel, InterruptedNarrowingLeavesNoFile) {
    test::ScratchDir dir;
    const pid_t pid = spawn_cli({"press", "200"});
    wait_until_catching(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    kill(pid, SIGINT);
    EXPECT_EQ(exit_within(pid, 10), 130);
    EXPECT_FALSE(fs::exists("syokiseed.txt"));
    std::string err = test::read_file("err.log");
    EXPECT_TRUE(err.ends_with(test::utf8(u8"計算を中止しました\n")));
    EXPECT_EQ(other_entries({"out.log", "err.log"}), std::vector<std::string>{});
}

}  // namespace
}  // namespace vh
