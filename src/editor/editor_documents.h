#pragma once
// The editor's documents: up to 20 slots, each a path and a text with its modified state,
// read from and written to disk (a temporary file renamed over the old one). This is the
// editor the shell works with; the editor window is a view of it, and without a window the
// documents hold their texts themselves.
#include "editor/editor_files.h"
#include "editor/slot_list.h"
#include "editor/text_buffer.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

// What a view of the documents hears. Slots are 1-based.
class DocumentsView {
  public:
    virtual ~DocumentsView() = default;
    // The text of a slot about to be added: the view's control that will show it.
    virtual std::unique_ptr<TextBuffer> makeBuffer() = 0;
    // The slot was added as the last one and is current now.
    virtual void documentAdded(int slot) = 0;
    // The slot was removed; later slots moved down by one.
    virtual void documentRemoved(int slot) = 0;
    // The last slot was closed.
    virtual void allClosed() = 0;
    virtual void currentChanged(int slot) = 0;
    virtual void documentRenamed(int slot) = 0;
    // The text was read again from its file.
    virtual void documentReloaded(int slot) = 0;
    // The caret was put at the start of `line`: show that line in the middle of the view.
    virtual void lineShown(int slot, int line) = 0;
    // The whole line was selected.
    virtual void lineSelected(int slot, int line) = 0;
    virtual void fontChanged(const EditorFont& font) = 0;
};

class EditorDocuments : public EditorFiles {
  public:
    EditorDocuments();
    ~EditorDocuments() override;

    // The view that shows the documents from now on (null: none). A view gets a control for
    // every open document, holding its text; without one, the texts go back to memory.
    void setView(DocumentsView* view);

    TextBuffer& text(int slot);
    const TextBuffer& text(int slot) const;
    const EditorFont& font() const { return font_; }

    // EditorFiles
    int slotCount() const override { return slots_.count(); }
    int currentSlot() const override { return slots_.current(); }
    std::string pathOf(int slot) const override { return slots_.pathOf(slot); }
    bool isModified(int slot) const override;
    int findSlot(const std::string& path) const override { return slots_.find(path); }
    void select(int slot) override;
    bool newFile() override;
    bool openFile(const std::string& path) override;
    bool reload(int slot) override;
    bool saveAs(int slot, const std::string& path) override;
    void closeCurrent() override;
    void closeAll() override;
    void gotoLine(int slot, int line) override;
    void selectLine(int line) override;
    void applyFont(const EditorFont& font) override;

  private:
    bool valid(int slot) const { return slot >= 1 && slot <= slots_.count(); }
    void add(int slot, const std::string* bytes);
    std::unique_ptr<TextBuffer> makeBuffer();

    SlotList slots_;
    std::vector<std::unique_ptr<TextBuffer>> texts_;
    DocumentsView* view_ = nullptr;
    EditorFont font_;
};

// Byte offset of the start of a 0-based line ("\r\n", "\n" or "\r" end a line); lines past the
// end give the start of the last line.
long lineStartIn(std::string_view text, int line);
// The 0-based line of a byte offset.
int lineOfOffset(std::string_view text, long offset);

} // namespace zerka
