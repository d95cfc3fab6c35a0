#pragma once
// The assembler's program image: 32768 cells of code word and writing line, the location
// counter, the highest address reached and the code extent.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zerka {

// The option "No Use Area Fill" (the values of the options model's fill radio group).
enum class ImageFill : int { Zero = 0, FF = 1, Jmp0 = 2 };

// What one store attempt did.
enum class StoreOutcome {
    Stored,
    OutOfRange, // code 11: outside the program memory, or outside the image
    Occupied,   // code 10: the cell was written before
};

// Which checks a store makes.
struct StoreRules {
    // The usable program memory (cells 0 .. size-1); the range check uses it.
    int32_t size = 0;
    // Build and load: a word outside the program memory is refused. Off in assemble-only
    // mode, where only the image bounds apply.
    bool checkRange = true;
    // A relaxed pass: neither the range nor the overwrite check is made (the image bounds
    // still are).
    bool relaxed = false;
};

class ProgramImage {
  public:
    static constexpr int32_t kCellCount = 32768;

    struct Cell {
        uint16_t word = 0;
        uint32_t line = 0; // sequence number of the writing SourceLine; 0 = not written
    };

    ProgramImage();

    // Fills every cell by the "No Use Area Fill" rule ("JMP 0": C200h at even and F000h at odd
    // addresses), forgets every writer and resets the counters.
    void initialise(ImageFill fill);
    // Every cell to `word`, writers forgotten, counters reset.
    void clear(uint16_t word = 0);

    // Writes `word` for line `lineSeq` at the location counter under `rules`, keeping the
    // highest address and the code extent. The counter advances only when the word is stored.
    StoreOutcome store(uint16_t word, uint32_t lineSeq, const StoreRules& rules);

    int32_t locationCounter() const { return lc_; }
    void setLocationCounter(int32_t lc) { lc_ = lc; }

    // Highest address the location counter had at a store (within the image).
    int32_t highestAddress() const { return highest_; }
    // The location counter after the last word stored; once the program memory overflowed it
    // counts on by the words that did not fit.
    int32_t codeExtent() const { return extent_; }

    static bool inImage(int64_t address) { return address >= 0 && address < kCellCount; }
    // Cell access; out-of-image addresses read as an empty cell and are never written.
    Cell cell(int64_t address) const { return inImage(address) ? cells_[size_t(address)] : Cell{}; }
    uint16_t word(int64_t address) const { return cell(address).word; }
    uint32_t lineOf(int64_t address) const { return cell(address).line; }
    // Rewrites the word of a cell without checks (fix-ups, fill). False outside the image.
    bool setWord(int64_t address, uint16_t word);
    // Sets a cell's word and writer directly (loading, tests). False outside the image.
    bool setCell(int64_t address, uint16_t word, uint32_t lineSeq);
    // FFFFh into every cell above the highest address reached.
    void fillAboveHighest(uint16_t word = 0xFFFF);

    const std::vector<Cell>& cells() const { return cells_; }

  private:
    void resetCounters();

    std::vector<Cell> cells_;
    int32_t lc_ = 0;
    int32_t highest_ = 0;
    int32_t extent_ = 0;
    bool overflowed_ = false;
};

} // namespace zerka
