#pragma once
// Serving the virtual unit on a local socket ("unix:PATH" or "tcp:127.0.0.1:PORT", loopback
// only): one host connection at a time, each answered with the link's frames.
#include "target/target_unit.h"

#include <string>

namespace zerka {

class TargetListener {
  public:
    TargetListener() = default;
    TargetListener(const TargetListener&) = delete;
    TargetListener& operator=(const TargetListener&) = delete;
    ~TargetListener();

    // Binds and listens; a stale socket file left by an earlier server is replaced, anything
    // else at that path is left alone. False with a reason in `problem`.
    bool open(const std::string& address, std::string& problem);
    int fd() const { return fd_; }
    // Waits up to timeoutMs (negative: for ever) for a host; the connected socket or -1.
    int accept(int timeoutMs);
    // Stops listening and removes the socket file.
    void close();

  private:
    int fd_ = -1;
    std::string unixPath_;
};

// Answers one connected host with the unit until it disconnects; closes `fd`. True when the
// host ended the connection in order.
bool serveTargetConnection(int fd, TargetUnit& unit);

} // namespace zerka
