#pragma once
// One source text of the editor: a QScintilla control with the line-number margin, the
// bookmark gutter (digits 0-9 on grey), the assembly highlighter and the blue
// underlined find highlight. Text is kept as the file's bytes: UTF-8 when the file is valid
// UTF-8, otherwise byte by byte, so saving writes back exactly what was read and typed.
#include "editor/bookmarks.h"
#include "editor/editor_files.h"
#include "editor/text_buffer.h"

#include <Qsci/qsciscintilla.h>
#include <Qsci/qscistyle.h>

#include <QPointer>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace zerka {
struct AsmWords;
}

namespace zerka::gui {

class AsmLexer;

// The font for a stored editor font; the system's fixed-pitch font stands in for a family
// that is not installed.
QFont editorQFont(const EditorFont& font);

class TextControl : public QsciScintilla {
    // A style number of its own for the gutter digits, past those of the highlighter.
    static constexpr int kBookmarkStyle = 64;

    Q_OBJECT
  public:
    explicit TextControl(QWidget* parent = nullptr);

    void setBytes(const std::string& bytes); // not modified, no undo history
    std::string bytes() const;
    long length() const;
    std::string lineBytes(int line) const; // without the line end
    long lineStart(int line) const;
    int lineOfPosition(long position) const;
    long caretPosition() const;
    void setCaretPosition(long position); // no selection
    int caretLine() const;
    bool hasSelectedText() const;
    void replaceRange(long start, long end, const std::string& bytes);

    void caretToLine(int line); // clamped to the lines there are
    // First visible line = line − half the visible lines (not below 0).
    void centreLine(int line);
    // The first match at or after `from`; -1 when none. `end` receives the match end.
    long searchForward(const std::string& needle, long from, bool matchCase, bool wholeWord,
                       long* end) const;
    // Bytes of a QString in the document's encoding.
    std::string encode(const QString& text) const;
    QString decode(const std::string& bytes) const;

    void showBookmarks(const Bookmarks& marks, int slot);
    // The same after `delta` lines were inserted (or removed) at `line`: only the lines the
    // digits can have been carried to are cleared, so typing in a long file stays cheap.
    void moveBookmarks(const Bookmarks& marks, int slot, int line, int delta);
    void setFindHighlight(long start, long length);
    void clearFindHighlight(long start, long length);
    // The analysis' diagnostics: red squiggles under these [start, end) byte ranges.
    static constexpr int kDiagnosticIndicator = 10;
    void showDiagnostics(const std::vector<std::pair<long, long>>& ranges);

    void applyEditorFont(const QFont& font);
    void setWords(std::shared_ptr<const AsmWords> words);
    void updateLineNumberWidth();

    // Texts from this length on are edited without the control's per-change text
    // notifications: QScintilla's accessibility layer answers each of them by counting every
    // character before the change, which makes typing deep in a long file slow. Screen readers
    // still follow the caret; they are told of inserted and deleted text in shorter files.
    static constexpr long kQuietEditLength = 512 * 1024;
    bool quietEdits() const { return quiet_; }
    // Reports the changes made since the last report (normally right after the key, or on the
    // next turn of the event loop).
    void flushEdits();

  signals:
    // After every change of the text: the line and column where it happened and the number of
    // lines it added (negative: removed). Changes are reported in the order they were made.
    void edited(int line, int column, int linesAdded);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    struct PendingEdit {
        int line;
        int column;
        int linesBefore;
    };
    void onScintillaModified(int position, int type, int linesAdded);
    void chooseEditNotifications(long length);

    AsmLexer* lexer_;
    QsciStyle bookmarkStyle_{kBookmarkStyle};
    std::array<int, Bookmarks::kCount> shownAt_; // gutter line of each digit; -1 none
    int numberDigits_ = 0;
    long fullEventMask_ = 0;
    bool quiet_ = false;
    bool flushQueued_ = false;
    bool batchFlush_ = false; // several changes at once: the gutter is redrawn whole
    std::vector<PendingEdit> pending_;
};

// A document's text held by its control: what the documents read and change goes straight to
// the control, typing included, with the control's own undo and save point.
class ControlBuffer : public TextBuffer {
  public:
    explicit ControlBuffer(TextControl* control) : control_(control) {}
    TextControl* control() const { return control_; }

    std::string_view bytes() const override;
    // Keeps the caret and the first visible line as far as the new text allows.
    void load(const std::string& bytes) override;
    void replace(long start, long end, std::string_view with) override;
    void beginUndoGroup() override;
    void endUndoGroup() override;
    bool undo() override;
    bool modified() const override;
    void setSavePoint() override;
    long selectionStart() const override;
    long selectionEnd() const override;
    void select(long anchor, long caret) override;

  private:
    QPointer<TextControl> control_; // Qt owns it; gone when its window is
};

} // namespace zerka::gui
