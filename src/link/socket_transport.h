#pragma once
// The link to a virtual target unit over a local socket, named by ZERKA_TARGET as
// "unix:PATH" or "tcp:127.0.0.1:PORT" (loopback addresses only).
//
// Frames on the stream (lengths are 16 bits, most significant byte first):
//   host -> unit  'W' (0x57), length, data      one packet written by the host; no answer
//   host -> unit  'R' (0x52), length            the host reads up to `length` bytes
//   unit -> host  'D' (0x44), length, data      the answer to 'R'; length <= the requested one;
//                                               length 0 means the unit has no answer
//   unit -> host  'B' (0x42), length, text      the unit serves another host: this connection
//                                               is refused (the text says so) and closed
// The host waits a bounded time for each answer and treats silence as a failed transfer.
#include "link/packet_transport.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zerka {

constexpr uint8_t kFrameWrite = 'W';
constexpr uint8_t kFrameRead = 'R';
constexpr uint8_t kFrameData = 'D';
constexpr uint8_t kFrameBusy = 'B';

struct TargetAddress {
    enum class Kind { Unix, Tcp } kind = Kind::Unix;
    std::string path; // Unix
    std::string host; // Tcp: a loopback address
    uint16_t port = 0;
};

// Parses "unix:PATH" or "tcp:HOST:PORT"; false with a reason in `problem`.
bool parseTargetAddress(const std::string& text, TargetAddress& out, std::string& problem);

// Connects to the unit; nullptr with a reason in `problem`.
std::unique_ptr<PacketTransport> openSocketTransport(const std::string& text, std::string& problem,
                                                     int timeoutMs = 3000);

// The unit's side: answers the frames arriving on the connected socket `fd` with `unit` until
// the host closes the connection (true) or sends something that is not a frame, or stays silent
// in the middle of a frame for longer than `timeoutMs` (false). `frames`, when given, counts the
// frames answered (a connection that closes without one was only a probe).
bool serveSocketConnection(int fd, PacketTransport& unit, int timeoutMs = 3000,
                           size_t* frames = nullptr);

// The unit's side of a host that comes while another is served: sends the 'B' frame with
// `reason` (the host's transport then fails with it) and closes `fd`, after the host has seen it
// or at most `timeoutMs` later.
void refuseBusyConnection(int fd, const std::string& reason, int timeoutMs = 1000);

} // namespace zerka
