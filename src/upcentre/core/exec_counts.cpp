#include "upcentre/core/exec_counts.h"

namespace zerka {

void ExecCounts::clear(uint32_t programSize) {
    size_ = programSize;
    ++clears_;
    executed_.assign(size_t(programSize) + 1, 0);
    taken_.assign(size_t(programSize) + 1, 0);
    interrupts_ = 0;
    total_ = 0;
    topLevel_ = 0;
    frames_.clear();
    routines_.clear();
}

void ExecCounts::charge(uint32_t cycles) {
    const uint32_t delta = cycles - last_;
    last_ = cycles;
    total_ += delta;
    if (frames_.empty())
        topLevel_ += delta;
    else
        frames_.back().self += delta;
}

void ExecCounts::enter(uint32_t key, uint32_t returnAddress) {
    if (frames_.size() >= kMaxFrames) {
        // Forget the oldest frame: its routine is no longer open as far as we know.
        topLevel_ += frames_.front().self;
        frames_.erase(frames_.begin());
    }
    ++routines_[key].calls;
    frames_.push_back(Frame{key, returnAddress, 0, 0});
}

void ExecCounts::call(uint32_t target, uint32_t returnAddress, uint32_t cycles) {
    charge(cycles);
    enter(target, returnAddress);
}

void ExecCounts::interrupt(uint32_t returnAddress, uint32_t cycles) {
    charge(cycles);
    ++interrupts_;
    enter(kInterruptRoutine | kInterruptVector, returnAddress);
}

void ExecCounts::close(std::vector<Frame>& frames, std::map<uint32_t, Routine>& routines) {
    const Frame f = frames.back();
    frames.pop_back();
    const uint64_t inclusive = f.self + f.children;
    Routine& r = routines[f.key];
    r.exclusive += f.self;
    // A recursive routine counts its outermost frame only, so nothing is counted twice. An
    // interrupt starts afresh: what it interrupted does not contain it.
    bool outermost = true;
    for (size_t i = frames.size(); i-- > 0 && outermost;) {
        if (frames[i].key & kInterruptRoutine) break;
        outermost = frames[i].key != f.key;
    }
    if (outermost) r.inclusive += inclusive;
    // An interrupt is nobody's callee.
    if (!(f.key & kInterruptRoutine) && !frames.empty()) frames.back().children += inclusive;
}

void ExecCounts::ret(uint32_t to, uint32_t cycles) {
    charge(cycles);
    // The innermost frame that returns there; a return nobody called (a hand-made stack) is
    // left alone, and frames skipped over by it are closed with it.
    for (size_t i = frames_.size(); i-- > 0;) {
        if (frames_[i].returnAddress != to) continue;
        while (frames_.size() > i)
            close(frames_, routines_);
        return;
    }
}

std::map<uint32_t, ExecCounts::Routine> ExecCounts::routines() const {
    std::vector<Frame> frames = frames_;
    std::map<uint32_t, Routine> routines = routines_;
    while (!frames.empty())
        close(frames, routines);
    return routines;
}

} // namespace zerka
