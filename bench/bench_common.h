#pragma once
// What several benchmarks share: the generated speed program (the shape
// bench/asm_speed_gen.py writes, six lines a block) and a monotonic clock in milliseconds.
#include <ctime>
#include <string>

namespace zerka::bench {

inline std::string speedProgram(int blocks) {
    std::string s = "; generated speed program\nTWO     MACRO   R\n        INF     R, 1\n"
                    "        DCF     R, 1\n        ENDM\n        ORG     0\n";
    for (int i = 0; i < blocks; ++i) {
        s += "L" + std::to_string(i) + ":\n        MVL     " + std::to_string(i % 256) +
             "\n        MVF     80H, 1\n        TWO     81H\n        BTSZ    82H, 1\n"
             "        RJ      L" +
             std::to_string(i) + "\n";
    }
    return s;
}

inline double monotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

} // namespace zerka::bench
