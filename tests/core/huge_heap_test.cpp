// The heap policy of the command-line tool: when it reports the heap advised, the kernel holds
// the huge-page advice on the heap, and the heap still serves and keeps blocks of every size.
#include "core/huge_heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace zerka {
namespace {

// The VmFlags of the mapping that holds `address`, from /proc/self/smaps.
std::string flagsOfMappingHolding(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    const auto a = uintptr_t(address);
    while (std::getline(smaps, line)) {
        unsigned long lo = 0, hi = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &lo, &hi) == 2) {
            inside = a >= lo && a < hi;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0) return line;
    }
    return {};
}

TEST(HugeHeap, AdvisedHeapServesBlocksOfEverySize) {
    const bool advised = useHugePageHeap();
    std::vector<std::unique_ptr<char[]>> blocks;
    for (size_t size : {size_t(24), size_t(4096), size_t(3) << 20, size_t(40) << 20}) {
        blocks.emplace_back(new char[size]);
        std::memset(blocks.back().get(), int(size & 0x7F), size);
    }
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i][0], char(std::vector<size_t>{24, 4096, 3u << 20, 40u << 20}[i] & 0x7F));
    if (!advised) GTEST_SKIP() << "no glibc heap to advise (sanitizer build or no huge pages)";
    // A block of a few MiB now comes from the advised heap, not from a mapping of its own.
    EXPECT_NE(flagsOfMappingHolding(blocks[2].get()).find(" hg"), std::string::npos)
        << flagsOfMappingHolding(blocks[2].get());
}

} // namespace
} // namespace zerka
