#pragma once
// The text of one editor document: its bytes, the selection, undo and the save point that
// decides whether it is modified. The editor window's text control is one (the text lives in
// the control); without a window a StringBuffer holds it.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

class TextBuffer {
  public:
    virtual ~TextBuffer() = default;

    // The whole text; valid until the next change.
    virtual std::string_view bytes() const = 0;
    // Replaces the whole text: no undo history, not modified, caret at the start.
    virtual void load(const std::string& bytes) = 0;
    // Replaces [start, end) by `with` as one undoable step.
    virtual void replace(long start, long end, std::string_view with) = 0;
    // Changes between these two undo as one.
    virtual void beginUndoGroup() = 0;
    virtual void endUndoGroup() = 0;
    // False when there is nothing to undo.
    virtual bool undo() = 0;
    // True while the text differs from the last save point (undo back to it clears it).
    virtual bool modified() const = 0;
    virtual void setSavePoint() = 0;

    virtual long selectionStart() const = 0;
    virtual long selectionEnd() const = 0;
    // Selects [anchor, caret) in either direction; anchor == caret: only the caret.
    virtual void select(long anchor, long caret) = 0;

    long length() const { return static_cast<long>(bytes().size()); }
};

// A text held in memory, with an undo history of its own.
class StringBuffer : public TextBuffer {
  public:
    std::string_view bytes() const override { return text_; }
    void load(const std::string& bytes) override;
    void replace(long start, long end, std::string_view with) override;
    void beginUndoGroup() override;
    void endUndoGroup() override;
    bool undo() override;
    bool modified() const override { return done_ != savedAt_; }
    void setSavePoint() override { savedAt_ = done_; }
    long selectionStart() const override { return std::min(anchor_, caret_); }
    long selectionEnd() const override { return std::max(anchor_, caret_); }
    void select(long anchor, long caret) override;

  private:
    struct Step {
        long position;
        std::string removed;
        std::string inserted;
        int group;
    };
    long clamp(long position) const;

    std::string text_;
    std::vector<Step> steps_; // the first done_ of them are in the text
    size_t done_ = 0;
    // Where the text was saved; a step count that can no longer be reached after an undo
    // followed by a new change (the saved text is gone from the history).
    size_t savedAt_ = 0;
    int groupDepth_ = 0;
    int nextGroup_ = 1;
    int openGroup_ = 0;
    long anchor_ = 0;
    long caret_ = 0;
};

} // namespace zerka
