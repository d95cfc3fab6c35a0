#include "editor/text_buffer.h"

#include <algorithm>
#include <limits>

namespace zerka {

namespace {
constexpr size_t kUnreachable = std::numeric_limits<size_t>::max();
}

void StringBuffer::load(const std::string& bytes) {
    text_ = bytes;
    steps_.clear();
    done_ = savedAt_ = 0;
    anchor_ = caret_ = 0;
}

long StringBuffer::clamp(long position) const {
    return std::clamp(position, 0L, static_cast<long>(text_.size()));
}

void StringBuffer::replace(long start, long end, std::string_view with) {
    start = clamp(start);
    end = std::max(start, clamp(end));
    if (start == end && with.empty()) return;
    // A change after an undo drops what was undone; a save point in there is gone for good.
    if (savedAt_ > done_) savedAt_ = kUnreachable;
    steps_.resize(done_);
    const int group = groupDepth_ > 0 ? openGroup_ : nextGroup_++;
    steps_.push_back(
        {start, text_.substr(size_t(start), size_t(end - start)), std::string(with), group});
    text_.replace(size_t(start), size_t(end - start), with);
    ++done_;
    anchor_ = caret_ = start + static_cast<long>(with.size());
}

void StringBuffer::beginUndoGroup() {
    if (groupDepth_++ == 0) openGroup_ = nextGroup_++;
}

void StringBuffer::endUndoGroup() {
    if (groupDepth_ > 0) --groupDepth_;
}

bool StringBuffer::undo() {
    if (done_ == 0) return false;
    const int group = steps_[done_ - 1].group;
    while (done_ > 0 && steps_[done_ - 1].group == group) {
        const Step& s = steps_[--done_];
        text_.replace(size_t(s.position), s.inserted.size(), s.removed);
        anchor_ = caret_ = s.position + static_cast<long>(s.removed.size());
    }
    return true;
}

void StringBuffer::select(long anchor, long caret) {
    anchor_ = clamp(anchor);
    caret_ = clamp(caret);
}

} // namespace zerka
