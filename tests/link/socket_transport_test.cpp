#include "fakes.h"
#include "link/ice_commands.h"
#include "link/socket_transport.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace zerka::test {
namespace {

TEST(TargetAddress, AcceptsUnixPathsAndLoopbackPortsOnly) {
    TargetAddress a;
    std::string problem;
    ASSERT_TRUE(parseTargetAddress("unix:/tmp/unit.sock", a, problem));
    EXPECT_EQ(a.kind, TargetAddress::Kind::Unix);
    EXPECT_EQ(a.path, "/tmp/unit.sock");
    ASSERT_TRUE(parseTargetAddress("tcp:127.0.0.1:5150", a, problem));
    EXPECT_EQ(a.kind, TargetAddress::Kind::Tcp);
    EXPECT_EQ(a.port, 5150);
    EXPECT_TRUE(parseTargetAddress("tcp:localhost:1", a, problem));

    for (const char* bad :
         {"", "unix:", "tcp:127.0.0.1", "tcp:127.0.0.1:0", "tcp:127.0.0.1:70000",
          "tcp:127.0.0.1:12x", "tcp:192.168.1.5:5150", "tcp::5150", "serial:/dev/ttyS0"}) {
        problem.clear();
        EXPECT_FALSE(parseTargetAddress(bad, a, problem)) << bad;
        EXPECT_NE(problem.find("target address \"" + std::string(bad) + "\""), std::string::npos)
            << problem;
    }
    EXPECT_FALSE(parseTargetAddress("unix:/" + std::string(200, 'x'), a, problem));
}

// A unit served on a Unix socket by a helper thread, one connection.
class ServedUnit {
  public:
    explicit ServedUnit(PacketTransport& unit, bool answer = true) {
        path_ = (dir_.path() / "unit.sock").string();
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::strncpy(sa.sun_path, path_.c_str(), sizeof(sa.sun_path) - 1);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)), 0);
        EXPECT_EQ(::listen(listener_, 1), 0);
        thread_ = std::thread([this, &unit, answer] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            if (answer) {
                served_ = serveSocketConnection(fd, unit, 2000);
            } else {
                uint8_t sink[256];
                while (::recv(fd, sink, sizeof(sink), 0) > 0) {
                }
            }
            ::close(fd);
        });
    }
    ~ServedUnit() {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    std::string address() const { return "unix:" + path_; }
    bool served() const { return served_; }

  private:
    TempDir dir_;
    std::string path_;
    int listener_ = -1;
    std::thread thread_;
    bool served_ = false;
};

TEST(SocketTransport, CarriesTheHandshakeAndCommandsToTheUnit) {
    FakeUsbUnit unit;
    unit.wordMemory[0x10] = 0xBE;
    unit.wordMemory[0x11] = 0xEF;
    {
        ServedUnit served(unit);
        UsbBackends b;
        const std::string address = served.address();
        b.virtualTarget = [address](std::string& problem) {
            return openSocketTransport(address, problem, 2000);
        };
        UsbLink usb(std::move(b));
        ASSERT_EQ(usb.connect(), kLinkConnected);
        EXPECT_EQ(usb.channel(), UsbLink::Channel::Virtual);
        EXPECT_EQ(usb.deviceName(), address);
        EXPECT_EQ(usb.deviceNumber, unit.number4);

        LptLink lpt(usb.ioBuffer, nullptr);
        IceSettings settings;
        IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
        EXPECT_EQ(ice.iceReadWord(8), 0xBEEF);
        EXPECT_EQ(unit.written.back(), (Bytes{0xA4, 0x40, 0x00, 0x21, 0, 0, 2}));
        usb.close();
    }
    EXPECT_EQ(unit.written.front(), (Bytes{0xF9, 0x02, 0x00, 0x00}));
}

TEST(SocketTransport, SilenceAndRefusalsFailWithoutHanging) {
    FakeUsbUnit unit;
    {
        ServedUnit mute(unit, false); // reads the frames, never answers
        std::string problem;
        auto t = openSocketTransport(mute.address(), problem, 200);
        ASSERT_TRUE(t) << problem;
        const uint8_t probe[4] = {0xF9, 0x02, 0, 0};
        EXPECT_TRUE(t->write(probe, 4));
        uint8_t reply[8] = {};
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(t->read(reply, 8));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(t->write(probe, 4)) << "a broken stream stays closed";
    }
    {
        unit.silent = true; // the unit itself has no answer: an empty data frame
        ServedUnit served(unit);
        std::string problem;
        auto t = openSocketTransport(served.address(), problem, 2000);
        ASSERT_TRUE(t);
        const uint8_t probe[4] = {0xF9, 0x02, 0, 0};
        EXPECT_TRUE(t->write(probe, 4));
        uint8_t reply[8] = {};
        EXPECT_FALSE(t->read(reply, 8));
        unit.silent = false;
        EXPECT_TRUE(t->write(probe, 4)) << "the stream is still in step";
        EXPECT_TRUE(t->read(reply, 8));
        EXPECT_EQ(reply[0], 0xFF);
    }
    std::string problem;
    EXPECT_FALSE(openSocketTransport("unix:/nonexistent/zerka.sock", problem));
    EXPECT_NE(problem.find("not reachable"), std::string::npos);
}

TEST(SocketTransport, AUnitBusyWithAnotherHostSaysSoAndTheLinkPassesItOn) {
    TempDir dir;
    const std::string path = (dir.path() / "busy.sock").string();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strncpy(sa.sun_path, path.c_str(), sizeof(sa.sun_path) - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    std::thread server([listener] {
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd >= 0) refuseBusyConnection(fd, "the unit serves another host");
    });
    UsbBackends b;
    b.virtualTarget = [path](std::string& problem) {
        return openSocketTransport("unix:" + path, problem, 2000);
    };
    UsbLink usb(std::move(b));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(usb.connect(), kLinkLost);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_NE(usb.diagnosis().find("the unit serves another host"), std::string::npos)
        << usb.diagnosis();
    server.join();
    ::close(listener);
}

TEST(SocketTransport, ServerRejectsWhatIsNotAFrame) {
    FakeUsbUnit unit;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    const uint8_t junk[] = {'X', 0, 1, 0};
    ASSERT_EQ(::send(fds[0], junk, sizeof(junk), 0), 4);
    EXPECT_FALSE(serveSocketConnection(fds[1], unit, 200));
    // A frame cut short by the host closing is not served.
    const uint8_t cut[] = {'W', 0, 10, 1, 2};
    ASSERT_EQ(::send(fds[0], cut, sizeof(cut), 0), 5);
    ::close(fds[0]);
    EXPECT_FALSE(serveSocketConnection(fds[1], unit, 200));
    EXPECT_TRUE(unit.written.empty());
    ::close(fds[1]);
}

} // namespace
} // namespace zerka::test
