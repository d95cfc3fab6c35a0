#include "core/output_names.h"

namespace zerka {

std::string fileStem(std::string_view name) {
    const size_t from = name.size() >= 4 ? name.size() - 4 : 0;
    const size_t dot = name.find('.', from);
    if (dot == std::string_view::npos) return std::string(name);
    return std::string(name.substr(0, dot));
}

std::string outputFileName(std::string_view mainFile, std::string_view suffix) {
    return fileStem(mainFile) + std::string(suffix);
}

} // namespace zerka
