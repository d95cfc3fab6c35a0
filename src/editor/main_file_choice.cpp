#include "editor/main_file_choice.h"

namespace zerka {

void MainFileChoice::pick(int index) {
    if (index >= 0 && index < static_cast<int>(paths_.size())) field_ = paths_[index];
}

bool MainFileChoice::accept(std::string& mainFile) const {
    if (field_.empty()) return false;
    mainFile = field_;
    return true;
}

} // namespace zerka
