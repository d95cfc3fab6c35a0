#include "link/socket_transport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <vector>

namespace zerka {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for `events` on fd until `deadline`.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
        if (r == 0) return false;
    }
}

// 1: all n bytes; 0: orderly end of stream before the first byte; -1: error or time-out.
int receiveAll(int fd, uint8_t* data, size_t n, int timeoutMs, bool endAllowed) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t got = 0;
    while (got < n) {
        if (!waitFor(fd, POLLIN, deadline)) return -1;
        const ssize_t r = ::recv(fd, data + got, n - got, 0);
        if (r == 0) return (got == 0 && endAllowed) ? 0 : -1;
        if (r < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return -1;
        }
        got += static_cast<size_t>(r);
    }
    return 1;
}

bool sendAll(int fd, const uint8_t* data, size_t n, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < n) {
        if (!waitFor(fd, POLLOUT, deadline)) return false;
        const ssize_t r = ::send(fd, data + sent, n - sent, MSG_NOSIGNAL);
        if (r < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        sent += static_cast<size_t>(r);
    }
    return true;
}

bool sendFrame(int fd, uint8_t kind, const uint8_t* data, size_t n, int timeoutMs) {
    std::vector<uint8_t> frame(3 + (data ? n : 0));
    frame[0] = kind;
    frame[1] = static_cast<uint8_t>(n >> 8);
    frame[2] = static_cast<uint8_t>(n & 0xFF);
    if (data && n) std::memcpy(frame.data() + 3, data, n);
    return sendAll(fd, frame.data(), frame.size(), timeoutMs);
}

bool isLoopback(const std::string& host, in_addr& out) {
    if (host == "localhost") {
        out.s_addr = htonl(INADDR_LOOPBACK);
        return true;
    }
    if (::inet_pton(AF_INET, host.c_str(), &out) != 1) return false;
    return (ntohl(out.s_addr) >> 24) == 127;
}

class SocketTransport : public PacketTransport {
  public:
    SocketTransport(int fd, std::string name, int timeoutMs)
        : fd_(fd), name_(std::move(name)), timeoutMs_(timeoutMs) {}
    ~SocketTransport() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool write(const uint8_t* data, size_t n) override {
        if (fd_ < 0 || n > 0xFFFF) return false;
        return sendFrame(fd_, kFrameWrite, data, n, timeoutMs_) || drop();
    }

    bool read(uint8_t* data, size_t n) override {
        if (fd_ < 0 || n > 0xFFFF) return false;
        if (!sendFrame(fd_, kFrameRead, nullptr, n, timeoutMs_)) return drop();
        uint8_t header[3];
        if (receiveAll(fd_, header, 3, timeoutMs_, false) != 1) return drop();
        const size_t length = static_cast<size_t>(header[1]) << 8 | header[2];
        if (header[0] == kFrameBusy) {
            std::string reason(length, ' ');
            if (length && receiveAll(fd_, reinterpret_cast<uint8_t*>(reason.data()), length,
                                     timeoutMs_, false) != 1)
                reason = "the virtual unit at " + name_ + " is busy with another host";
            failure_ = reason;
            return drop();
        }
        if (header[0] != kFrameData || length > n) return drop();
        if (length == 0) return false; // the unit did not answer
        if (receiveAll(fd_, data, length, timeoutMs_, false) != 1) return drop();
        return true;
    }

    std::string describe() const override { return name_; }
    std::string failure() const override { return failure_; }

  private:
    // A broken stream cannot be resynchronised: close it.
    bool drop() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return false;
    }

    int fd_;
    std::string name_;
    int timeoutMs_;
    std::string failure_;
};

} // namespace

bool parseTargetAddress(const std::string& text, TargetAddress& out, std::string& problem) {
    const std::string bad = "The target address \"" + text + "\" ";
    if (text.rfind("unix:", 0) == 0) {
        out.kind = TargetAddress::Kind::Unix;
        out.path = text.substr(5);
        if (out.path.empty()) {
            problem = bad + "names no socket path";
            return false;
        }
        if (out.path.size() >= sizeof(sockaddr_un{}.sun_path)) {
            problem = bad + "has a socket path that is too long";
            return false;
        }
        return true;
    }
    if (text.rfind("tcp:", 0) == 0) {
        const std::string rest = text.substr(4);
        const size_t colon = rest.rfind(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) {
            problem = bad + "is not tcp:127.0.0.1:PORT";
            return false;
        }
        out.kind = TargetAddress::Kind::Tcp;
        out.host = rest.substr(0, colon);
        const std::string portText = rest.substr(colon + 1);
        unsigned port = 0;
        const auto [end, ec] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || end != portText.data() + portText.size() || port == 0 ||
            port > 65535) {
            problem = bad + "has no valid port number";
            return false;
        }
        in_addr address{};
        if (!isLoopback(out.host, address)) {
            problem = bad + "is not a loopback address (use 127.0.0.1)";
            return false;
        }
        out.port = static_cast<uint16_t>(port);
        return true;
    }
    problem = bad + "must be unix:PATH or tcp:127.0.0.1:PORT";
    return false;
}

std::unique_ptr<PacketTransport> openSocketTransport(const std::string& text, std::string& problem,
                                                     int timeoutMs) {
    TargetAddress address;
    if (!parseTargetAddress(text, address, problem)) return nullptr;
    const bool local = address.kind == TargetAddress::Kind::Unix;
    const int fd = ::socket(local ? AF_UNIX : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        problem = "Cannot create a socket for " + text;
        return nullptr;
    }
    int r = -1;
    if (local) {
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::memcpy(sa.sun_path, address.path.c_str(), address.path.size());
        r = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
    } else {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(address.port);
        isLoopback(address.host, sa.sin_addr);
        r = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
    }
    if (r != 0) {
        problem = "Virtual target " + text + " is not reachable: " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<SocketTransport>(fd, text, timeoutMs);
}

bool serveSocketConnection(int fd, PacketTransport& unit, int timeoutMs, size_t* frames) {
    std::vector<uint8_t> data;
    for (;;) {
        uint8_t header[3];
        // Between frames the host may stay quiet as long as it likes.
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, -1) < 0 && errno != EINTR) return false;
        const int got = receiveAll(fd, header, 3, timeoutMs, true);
        if (got == 0) return true;
        if (got < 0) return false;
        const size_t length = static_cast<size_t>(header[1]) << 8 | header[2];
        data.assign(length, 0);
        if (frames) ++*frames;
        if (header[0] == kFrameWrite) {
            if (length && receiveAll(fd, data.data(), length, timeoutMs, false) != 1) return false;
            unit.write(data.data(), length);
        } else if (header[0] == kFrameRead) {
            const bool answered = unit.read(data.data(), length);
            if (!sendFrame(fd, kFrameData, data.data(), answered ? length : 0, timeoutMs))
                return false;
        } else {
            return false;
        }
    }
}

void refuseBusyConnection(int fd, const std::string& reason, int timeoutMs) {
    const std::string text = reason.substr(0, 0xFFFF);
    sendFrame(fd, kFrameBusy, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
              timeoutMs);
    // Closing with the host's frames unread could reset the connection before the host has read
    // the refusal: the host's end of the stream (or the time limit) comes first.
    ::shutdown(fd, SHUT_WR);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t sink[256];
    while (waitFor(fd, POLLIN, deadline)) {
        const ssize_t r = ::recv(fd, sink, sizeof sink, 0);
        if (r == 0 || (r < 0 && errno != EINTR && errno != EAGAIN)) break;
    }
    ::close(fd);
}

} // namespace zerka
