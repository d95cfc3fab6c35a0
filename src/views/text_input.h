#pragma once
// TZkIntStr, the single-line text input box ("Input", an edit field, "Ok" and "Cancel"),
// without its window. The field keeps its text between uses and starts fully selected.
#include <string>

namespace zerka {

class TextInput {
  public:
    static constexpr const char* kCaption = "Input";

    // Opens the box: the previous text is kept and selected.
    void open() {
        open_ = true;
        accepted_ = false;
        selectedAll_ = true;
    }
    bool isOpen() const { return open_; }
    const std::string& text() const { return text_; }
    bool allSelected() const { return selectedAll_; }
    // Typing replaces the selection the first time, then edits the field.
    void type(const std::string& s) {
        if (selectedAll_) text_.clear();
        selectedAll_ = false;
        text_ += s;
    }
    void setText(std::string s) {
        text_ = std::move(s);
        selectedAll_ = false;
    }
    void ok() { close(true); }
    void cancel() { close(false); }
    bool accepted() const { return accepted_; }

  private:
    void close(bool accepted) {
        open_ = false;
        accepted_ = accepted;
    }
    std::string text_;
    bool open_ = false;
    bool accepted_ = false;
    bool selectedAll_ = false;
};

} // namespace zerka
