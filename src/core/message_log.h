#pragma once
// The message log sink: one entry is a file or caption field and a text.
#include <string>

namespace zerka {

class MessageLog {
public:
    virtual ~MessageLog() = default;
    virtual void AddEntry(const std::string& file, int line, const std::string& text) = 0;
    virtual void ClearLog() = 0;
    virtual void BringToFront() {}
};

} // namespace zerka
