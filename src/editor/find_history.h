#pragma once
// The find dialog's history: the last four search texts, newest first. A text already in the
// list (compared ignoring ASCII case) moves to the top instead of appearing twice.
#include <string>
#include <vector>

namespace zerka {

class FindHistory {
  public:
    static constexpr size_t kSize = 4;

    const std::vector<std::string>& entries() const { return entries_; }
    void add(const std::string& text);

  private:
    std::vector<std::string> entries_;
};

} // namespace zerka
