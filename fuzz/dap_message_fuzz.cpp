// The debug adapter reads whatever a client (or anything else on its standard input) sends.
// Whatever the bytes, serving must end at the end of the stream, and everything it writes must
// be protocol messages: whole frames of JSON objects.
#include "core/framing.h"
#include "dap/dap_server.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

namespace {

int memoryFile(const char* name) {
    const int fd = ::memfd_create(name, 0);
    if (fd < 0) std::abort();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int in = memoryFile("dap-in");
    const int out = memoryFile("dap-out");
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(in, data + done, size - done);
        if (n <= 0) std::abort();
        done += size_t(n);
    }
    ::lseek(in, 0, SEEK_SET);
    {
        zerka::dap::DapServer server(in, out);
        server.serve();
    }
    std::string written(size_t(::lseek(out, 0, SEEK_END)), '\0');
    if (::pread(out, written.data(), written.size(), 0) != ssize_t(written.size())) std::abort();
    ::close(in);
    ::close(out);
    zerka::FrameParser frames;
    frames.feed(written);
    while (auto f = frames.next()) {
        if (!f->ok) std::abort();
        const nlohmann::json m = nlohmann::json::parse(f->body, nullptr, false);
        if (m.is_discarded() || !m.is_object() || !m.contains("type")) std::abort();
    }
    if (frames.buffered() != 0) std::abort(); // half a message
    return 0;
}
