#include "target/target_server.h"

#include "link/socket_transport.h"
#include "target/virtual_usb.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zerka {

namespace {

bool unixSocketAnswers(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::memcpy(sa.sun_path, path.c_str(), path.size());
    const bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0;
    ::close(fd);
    return answers;
}

} // namespace

TargetListener::~TargetListener() {
    close();
}

bool TargetListener::open(const std::string& address, std::string& problem) {
    close();
    TargetAddress target;
    if (!parseTargetAddress(address, target, problem)) return false;
    int r = -1;
    if (target.kind == TargetAddress::Kind::Unix) {
        struct stat st {};
        if (::lstat(target.path.c_str(), &st) == 0) {
            if (!S_ISSOCK(st.st_mode)) {
                problem = "\"" + target.path + "\" exists and is not a socket";
                return false;
            }
            // A unit still answering there keeps its socket, as a TCP port in use is refused;
            // only a file nobody listens on any more is replaced.
            if (unixSocketAnswers(target.path)) {
                problem = "Cannot listen on " + address + ": " + std::strerror(EADDRINUSE);
                return false;
            }
            ::unlink(target.path.c_str());
        }
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            problem = std::string("Cannot create a socket: ") + std::strerror(errno);
            return false;
        }
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::memcpy(sa.sun_path, target.path.c_str(), target.path.size());
        r = ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
        if (r == 0) unixPath_ = target.path;
    } else {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            problem = std::string("Cannot create a socket: ") + std::strerror(errno);
            return false;
        }
        const int yes = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(target.port);
        if (target.host == "localhost")
            sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        else
            ::inet_pton(AF_INET, target.host.c_str(), &sa.sin_addr);
        r = ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
    }
    if (r != 0 || ::listen(fd_, 4) != 0) {
        problem = "Cannot listen on " + address + ": " + std::strerror(errno);
        close();
        return false;
    }
    return true;
}

int TargetListener::accept(int timeoutMs) {
    if (fd_ < 0) return -1;
    pollfd p{fd_, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    if (r <= 0) return -1;
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

void TargetListener::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!unixPath_.empty()) ::unlink(unixPath_.c_str());
    unixPath_.clear();
}

bool serveTargetConnection(int fd, TargetUnit& unit) {
    unit.connectionOpened();
    UnitSocketSide side(unit);
    const bool ok = serveSocketConnection(fd, side);
    ::close(fd);
    return ok;
}

} // namespace zerka
