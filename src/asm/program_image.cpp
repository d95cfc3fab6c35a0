#include "asm/program_image.h"

#include <algorithm>

namespace zerka {

ProgramImage::ProgramImage() : cells_(size_t(kCellCount)) {}

void ProgramImage::resetCounters() {
    lc_ = 0;
    highest_ = 0;
    extent_ = 0;
    overflowed_ = false;
}

void ProgramImage::initialise(ImageFill fill) {
    for (size_t a = 0; a < cells_.size(); ++a) {
        uint16_t w = 0;
        switch (fill) {
        case ImageFill::FF:
            w = 0xFFFF;
            break;
        case ImageFill::Jmp0:
            w = (a % 2 == 0) ? 0xC200 : 0xF000;
            break;
        case ImageFill::Zero:
            break;
        }
        cells_[a] = Cell{w, 0};
    }
    resetCounters();
}

void ProgramImage::clear(uint16_t word) {
    std::fill(cells_.begin(), cells_.end(), Cell{word, 0});
    resetCounters();
}

StoreOutcome ProgramImage::store(uint16_t word, uint32_t lineSeq, const StoreRules& rules) {
    if (lc_ > highest_) highest_ = std::min(lc_, kCellCount - 1);

    const bool beyondMemory = rules.checkRange && (lc_ < 0 || lc_ >= rules.size);
    // The image bounds hold in every mode: nothing is ever written outside the cells.
    if (!inImage(lc_) || (beyondMemory && !rules.relaxed)) {
        ++extent_;
        overflowed_ = true;
        return StoreOutcome::OutOfRange;
    }
    Cell& c = cells_[size_t(lc_)];
    if (c.line != 0 && !rules.relaxed) return StoreOutcome::Occupied;
    c.word = word;
    c.line = lineSeq;
    ++lc_;
    if (!overflowed_) extent_ = lc_;
    return StoreOutcome::Stored;
}

bool ProgramImage::setWord(int64_t address, uint16_t word) {
    if (!inImage(address)) return false;
    cells_[size_t(address)].word = word;
    return true;
}

bool ProgramImage::setCell(int64_t address, uint16_t word, uint32_t lineSeq) {
    if (!inImage(address)) return false;
    cells_[size_t(address)] = Cell{word, lineSeq};
    return true;
}

void ProgramImage::fillAboveHighest(uint16_t word) {
    for (int32_t a = std::max(highest_ + 1, 0); a < kCellCount; ++a)
        cells_[size_t(a)].word = word;
}

} // namespace zerka
