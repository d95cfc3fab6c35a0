#pragma once
// Every chip of a library at once, for listings: the chip list is read once (by the library)
// and each description file once, however many entries name it. A listing therefore grows
// with the length of the list, where a GetSELUP per entry reads the list again each time.
#include "chip/chip_library.h"
#include "core/path_lookup.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace zerka {

class ChipCatalogue {
  public:
    // `library` must have built its chip list and outlive the catalogue.
    explicit ChipCatalogue(const ChipLibrary& library) : library_(library) {}

    // The model of entry `index` as GetSELUP would load it (default load context), or nullptr
    // with the reason in `error` when its description cannot be loaded.
    std::shared_ptr<const ChipModel> model(size_t index, std::string* error = nullptr);

  private:
    struct Loaded {
        std::shared_ptr<const ChipModel> model;
        std::string error;
    };
    Loaded load(const std::string& fileName);

    const ChipLibrary& library_;
    PathLookupCache paths_;
    std::unordered_map<std::string, Loaded> byName_; // by word 1 of the entry
    std::unordered_map<std::string, Loaded> byPath_; // the same file under other names
};

} // namespace zerka
