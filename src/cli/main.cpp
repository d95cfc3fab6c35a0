#include "cli/app.h"
#include "core/huge_heap.h"

#include <iostream>

int main(int argc, char** argv) {
    zerka::useHugePageHeap();
    std::vector<std::string> args(argv + 1, argv + argc);
    return zerka::cli::runZerka(args, std::cout, std::cerr);
}
