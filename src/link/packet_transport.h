#pragma once
// A byte-level packet transport to a target unit: what the link writes from and reads into its
// packet buffer. The virtual target unit implements it in-process; over a local socket the
// client below speaks the frames documented in socket_transport.h.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zerka {

class PacketTransport {
  public:
    virtual ~PacketTransport() = default;
    // Sends the n bytes at `data` as one packet.
    virtual bool write(const uint8_t* data, size_t n) = 0;
    // Receives the reply to the last packet into data[0..n). A shorter answer leaves the rest of
    // the area as it was; no answer at all is a failure.
    virtual bool read(uint8_t* data, size_t n) = 0;
    // The largest packet the unit moves at once (the bulk endpoint's packet size).
    virtual uint16_t maxPacketSize() const { return 64; }
    // A short description for diagnostics ("virtual target", "unix:/tmp/unit.sock").
    virtual std::string describe() const = 0;
    // Why the transport failed, when the unit said so (a unit busy with another host); empty
    // otherwise.
    virtual std::string failure() const { return {}; }
};

// Opens a transport, or gives nullptr and a reason in `problem`.
using TransportFactory = std::function<std::unique_ptr<PacketTransport>(std::string& problem)>;

} // namespace zerka
