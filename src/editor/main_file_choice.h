#pragma once
// The main-file chooser's rules: it lists the open paths and edits one main file name; a list
// entry copies its path into the field, and Ok needs a non-empty field.
#include <string>
#include <vector>

namespace zerka {

class MainFileChoice {
  public:
    MainFileChoice(std::vector<std::string> openPaths, std::string mainFile)
        : paths_(std::move(openPaths)), field_(std::move(mainFile)) {}

    const std::vector<std::string>& paths() const { return paths_; }
    const std::string& field() const { return field_; }
    void setField(std::string text) { field_ = std::move(text); }
    // A double click or space on entry `index` (0-based) copies its path.
    void pick(int index);
    // Ok: false (the dialog beeps and stays) when the field is empty; otherwise the field
    // becomes `mainFile`.
    bool accept(std::string& mainFile) const;

  private:
    std::vector<std::string> paths_;
    std::string field_;
};

} // namespace zerka
