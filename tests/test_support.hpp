// Helpers shared by the tests.
#pragma once
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <string>

namespace vh::test {

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

// Plain literals are Shift-JIS here; u8 literals keep UTF-8 for texts that
// cross the terminal (command-line arguments and output).
inline std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

inline std::string golden(const std::string& name) { return read_file(std::filesystem::path(VARNHOLT_GOLDEN_DIR) / name); }

// Runs varnholt-cli with `args` in the working directory, standard output to
// out.log and standard error to err.log; returns its exit status.
inline int run_cli(const std::string& args) {
    const std::string cmd = std::string(VARNHOLT_CLI) + " " + args + " >out.log 2>err.log";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Runs the test body inside a fresh temporary working directory.
class ScratchDir {
public:
    ScratchDir() {
        static int n = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("varnholt-test-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    ~ScratchDir() {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_, old_;
};

}  // namespace vh::test
