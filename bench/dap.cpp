// zerka dap figures on the churn program (timer interrupts, calls, pointer stores):
//  - free run with and without the reverse recording (goal: at most 25 % slower);
//  - the recording's memory after N instructions (goal: 10^8 in under 256 MiB);
//  - stepBack latency 1, 10^3, 10^6 and 10^8 instructions back (goal: under 50 ms);
//  - a stepIn round trip through the protocol: request, stopped event, stackTrace, scopes and
//    the Registers variables answered (goal: under 2 ms).
//   build/bin/bench_dap [N, default 100000000]
#include "core/framing.h"
#include "dap/dap_server.h"
#include "dap/dap_session.h"
#include "dap/reverse_recorder.h"

#include <nlohmann/json.hpp>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace zerka;
using namespace zerka::dap;
using json = nlohmann::json;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

fs::path program() {
    const fs::path work =
        fs::temp_directory_path() / ("zerka_bench_dap_" + std::to_string(getpid()));
    fs::create_directories(work);
    const fs::path main = work / "churn.asm";
    fs::copy_file(fs::path(ZERKA_SOURCE_DIR) / "tests/dap_client/programs/churn.asm", main,
                  fs::copy_options::overwrite_existing);
    return main;
}

struct Loaded {
    explicit Loaded(const fs::path& main) : session(ui) {
        LaunchSettings s;
        s.program = main.string();
        s.chip = "KXA1608";
        s.lib = (fs::path(ZERKA_BINARY_DIR) / "bin/INCLUDE").string();
        s.list = false;
        s.hex = false;
        if (const std::string p = session.launch(s); !p.empty()) {
            std::fprintf(stderr, "bench_dap: %s\n", p.c_str());
            std::exit(1);
        }
        recorder = std::make_unique<ReverseRecorder>(session.up());
        recorder->start();
    }
    // With `watch` the run also goes over every time slice again for a data breakpoint on a
    // byte the program never touches, as the adapter does.
    double run(uint64_t n, bool record, bool watch = false) {
        uint64_t from = recorder->position();
        session.up().setYieldHook(watch ? std::function<void()>([this, &from] {
            if (recorder->firstChange(from, recorder->position(), {0x300})) std::exit(5);
            from = recorder->position();
            recorder->checkpoint();
        })
                                  : record
                                      ? std::function<void()>([this] { recorder->checkpoint(); })
                                      : std::function<void()>([] {}));
        session.up().setTickLimit(n);
        const auto t0 = Clock::now();
        session.commands().run();
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (record) recorder->checkpoint();
        return double(n) / s / 1e6;
    }
    QuietUi ui;
    DapSession session;
    std::unique_ptr<ReverseRecorder> recorder;
};

// A protocol client over one end of a socket pair.
class Client {
  public:
    explicit Client(int fd) : fd_(fd) {}
    void send(const std::string& command, const json& args = json::object()) {
        const std::string f = frameBody(
            json{{"seq", ++seq_}, {"type", "request"}, {"command", command}, {"arguments", args}}
                .dump());
        if (::write(fd_, f.data(), f.size()) != ssize_t(f.size())) std::exit(2);
    }
    json next() {
        for (;;) {
            if (auto f = reader_.next()) return json::parse(f->body);
            char b[65536];
            const ssize_t n = ::read(fd_, b, sizeof b);
            if (n <= 0) std::exit(3);
            reader_.feed(std::string_view(b, size_t(n)));
        }
    }
    json response() {
        for (;;) {
            json m = next();
            if (m["type"] == "response") return m;
        }
    }
    void event(const std::string& name) {
        for (;;) {
            json m = next();
            if (m["type"] == "event" && m["event"] == name) return;
        }
    }

  private:
    int fd_;
    int seq_ = 0;
    FrameParser reader_;
};

void roundTrip(const fs::path& main) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    std::thread server([fd = fds[1]] {
        DapServer s(fd, fd);
        s.serve();
        ::close(fd);
    });
    Client c(fds[0]);
    c.send("initialize");
    c.response();
    c.send("launch", {{"program", main.string()},
                      {"chip", "KXA1608"},
                      {"lib", (fs::path(ZERKA_BINARY_DIR) / "bin/INCLUDE").string()},
                      {"stopOnEntry", true}});
    c.response();
    c.send("configurationDone");
    c.event("stopped");
    std::vector<double> t;
    for (int i = 0; i < 500; ++i) {
        const auto t0 = Clock::now();
        c.send("stepIn", {{"threadId", 1}});
        c.event("stopped");
        c.send("stackTrace", {{"threadId", 1}});
        c.response();
        c.send("scopes", {{"frameId", 1000}});
        c.response();
        c.send("variables", {{"variablesReference", 1}});
        c.response();
        t.push_back(ms(Clock::now() - t0));
    }
    c.send("disconnect");
    c.response();
    server.join();
    ::close(fds[0]);
    std::sort(t.begin(), t.end());
    std::printf("stepIn round trip (stepIn, stopped, stackTrace, scopes, Registers), %zu steps: "
                "median %.3f ms, 95th %.3f ms, max %.3f ms (goal < 2 ms)\n",
                t.size(), t[t.size() / 2], t[t.size() * 95 / 100], t.back());
}

} // namespace

int main(int argc, char** argv) {
    const uint64_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100'000'000ull;
    const fs::path main = program();

    roundTrip(main);

    // Free run: best of three each way, alternating, on fresh sessions.
    double plain = 0, recorded = 0;
    const uint64_t runLength = std::min<uint64_t>(n, 100'000'000ull);
    for (int i = 0; i < 3; ++i) {
        plain = std::max(plain, Loaded(main).run(runLength, false));
        recorded = std::max(recorded, Loaded(main).run(runLength, true));
    }
    std::printf("free run of %llu instructions: %.1f M/s plain, %.1f M/s recording: %.1f %% "
                "slower (goal <= 25 %%)\n",
                (unsigned long long)runLength, plain, recorded, (1.0 - recorded / plain) * 100.0);

    const uint64_t watchLength = std::min<uint64_t>(n, 10'000'000ull);
    const double watched = Loaded(main).run(watchLength, true, true);
    std::printf("free run of %llu instructions with a data breakpoint: %.1f M/s\n",
                (unsigned long long)watchLength, watched);

    Loaded a(main);
    a.run(n, true);
    std::printf("recording after %llu instructions: %zu snapshots, %.2f MiB (goal < 256 MiB at "
                "10^8)\n",
                (unsigned long long)a.recorder->position(), a.recorder->snapshotCount(),
                double(a.recorder->memoryBytes()) / (1 << 20));
    const uint64_t end = a.recorder->position();
    for (uint64_t back : {1ull, 1'000ull, 1'000'000ull, 100'000'000ull}) {
        if (back > end) continue;
        double worst = 0, total = 0;
        for (int i = 0; i < 5; ++i) {
            a.recorder->seek(end);
            const auto t0 = Clock::now();
            if (!a.recorder->seek(end - back)) std::exit(4);
            const double d = ms(Clock::now() - t0);
            worst = std::max(worst, d);
            total += d;
        }
        std::printf("stepBack %llu instructions: mean %.3f ms, worst %.3f ms (goal < 50 ms)\n",
                    (unsigned long long)back, total / 5, worst);
    }
    fs::remove_all(main.parent_path());
    return 0;
}
