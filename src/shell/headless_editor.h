#pragma once
// The editor of a run without a window (`zerka build`): the files stay on disk and are never
// modified, so saving before a build writes nothing.
#include "editor/editor_files.h"

#include <string>
#include <vector>

namespace zerka {

class HeadlessEditor : public EditorFiles {
  public:
    int slotCount() const override { return int(paths_.size()); }
    int currentSlot() const override { return current_; }
    std::string pathOf(int slot) const override { return paths_.at(size_t(slot - 1)); }
    bool isModified(int) const override { return false; }
    int findSlot(const std::string& path) const override;
    void select(int slot) override { current_ = slot; }
    bool newFile() override { return false; }
    bool openFile(const std::string& path) override;
    bool reload(int) override { return true; }
    bool saveAs(int, const std::string&) override { return true; }
    void closeCurrent() override;
    void closeAll() override {
        paths_.clear();
        current_ = 0;
    }
    void gotoLine(int, int) override {}
    void selectLine(int) override {}
    void applyFont(const EditorFont&) override {}

  private:
    std::vector<std::string> paths_;
    int current_ = 0;
};

} // namespace zerka
