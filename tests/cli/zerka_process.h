#pragma once
// The built `zerka` program run as a child process, for what only a real process shows (signals,
// two servers on one socket, shell lines of the README). The child is killed and reaped when
// the object goes, so a failing test leaves no process behind.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zerka::test {

inline std::filesystem::path zerkaProgram() {
    return std::filesystem::path(ZERKA_BINARY_DIR) / "bin" / "zerka";
}

class ChildProcess {
  public:
    // Runs `argv` (argv[0] a path) with stdout and stderr into files of `logDir`.
    ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logDir,
                 const std::string& name)
        : out_(logDir / (name + ".out")), err_(logDir / (name + ".err")) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            int s = 0;
            ::waitpid(pid_, &s, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void signal(int sig) const {
        if (pid_ > 0 && !status_) ::kill(pid_, sig);
    }
    // The raw wait status once the child has ended, waiting at most `limit`.
    std::optional<int> wait(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (pid_ > 0 && !status_) {
            int s = 0;
            if (::waitpid(pid_, &s, WNOHANG) == pid_) {
                status_ = s;
                break;
            }
            if (std::chrono::steady_clock::now() >= end) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }
    std::string err() const { return read(err_); }
    std::string out() const { return read(out_); }

  private:
    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path out_, err_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Exit status 0 after a normal end (not a signal).
inline bool exitedWith(const std::optional<int>& status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

// Waits until a server listens on the unix socket `path`; a probe without frames is not counted
// as a host by the server.
inline bool waitForSocket(const std::filesystem::path& path,
                          std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        const std::string p = path.string();
        p.copy(sa.sun_path, sizeof sa.sun_path - 1);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
        ::close(fd);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace zerka::test
