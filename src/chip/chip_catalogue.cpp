#include "chip/chip_catalogue.h"

#include "core/atomic_file.h"

#include <exception>
#include <system_error>

namespace zerka {
namespace fs = std::filesystem;

std::shared_ptr<const ChipModel> ChipCatalogue::model(size_t index, std::string* error) {
    const auto& entries = library_.entries();
    if (index >= entries.size()) {
        if (error) *error = "The chip list has no chip number " + std::to_string(index) + ".";
        return nullptr;
    }
    const std::string& name = entries[index].fileName;
    auto it = byName_.find(name);
    if (it == byName_.end()) it = byName_.emplace(name, load(name)).first;
    if (!it->second.model && error) *error = it->second.error;
    return it->second.model;
}

ChipCatalogue::Loaded ChipCatalogue::load(const std::string& fileName) {
    Loaded out;
    std::optional<fs::path> path;
    try {
        path = paths_.find(library_.libraryDir(), fileName);
        std::error_code ec;
        // Only plain files, as for a single load.
        if (path && !fs::is_regular_file(*path, ec)) path.reset();
    } catch (const std::exception&) {
        path.reset();
    }
    if (!path) {
        out.error = "The chip description file \"" + fileName + "\" was not found.";
        return out;
    }
    const std::string key = path->lexically_normal().generic_string();
    if (const auto known = byPath_.find(key); known != byPath_.end()) return known->second;
    std::string text;
    if (!readFileBytes(*path, text)) {
        out.error = "The chip description file " + path->string() + " cannot be read.";
    } else {
        try {
            auto m = std::make_shared<ChipModel>();
            loadChipDescription(text, *m, {});
            out.model = std::move(m);
        } catch (const std::exception& e) {
            out.error = std::string("The chip could not be loaded: ") + e.what();
        }
    }
    byPath_.emplace(key, out);
    return out;
}

} // namespace zerka
