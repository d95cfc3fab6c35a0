#include "cli/app.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return zerka::cli::runZerka(args, std::cout, std::cerr);
}
