#pragma once
// The source editor window TZk_EDIT, a view of the editor documents: one QScintilla tab per
// document (the control holds the document's text) with the bookmark gutter, line numbers and
// highlighting of the assembly language, the find dialog TZk_NFind, the standard find and
// replace dialogs, automatic indentation, the file list popup and the status bar.
#include "editor/editor_documents.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zerka::gui {

struct LanguageSettings;

// Words the highlighter colours: the selected core's mnemonics (and aliases) and the
// assembler's directives, upper case.
struct LanguageWords {
    std::vector<std::string> mnemonics;
    std::vector<std::string> directives;
};

class EditorWindow : public QWidget {
    Q_OBJECT
  public:
    // Shows `documents` (which must outlive the window) from now on.
    explicit EditorWindow(EditorDocuments& documents, QWidget* parent = nullptr);
    ~EditorWindow() override;

    EditorDocuments& documents();
    void setListener(EditorListener* listener);
    void setLanguageWords(const LanguageWords& words);
    // The "Program Memory Over Spec.!!!!! Total Code Line is " panel text on activation; 0
    // clears it.
    void setCodeExtentWarning(int codeExtent, int programMemorySize);

    // The build the squiggles, hover texts and go to definition come from: the chip, library
    // and main file (empty: found as `zerka lsp` finds them), asked before each analysis.
    void setLanguageSettings(std::function<LanguageSettings()> source);
    // Opens the definition of the symbol at the caret (F12 in the text, or Ctrl+click).
    void gotoDefinition();

    // The documents' slots, for the main window's menus.
    int slotCount() const;
    int currentSlot() const;
    std::string pathOf(int slot) const;
    bool openFile(const std::string& path);
    void applyFont(const EditorFont& font);

    // Commands of the main window's menus and toolbars.
    void cut();
    void copy();
    void paste();
    void selectAll();
    void undo();
    void find();     // TZk_NFind
    void findNext(); // the standard find dialog's next match
    void findStandard();
    void replace();
    void setBookmark(int n); // at the caret line of the current slot; twice toggles off
    void gotoBookmark(int n);
    bool bookmark(int n, std::string* path, int* line) const;
    void nextFile();
    void previousFile();
    void showFileListPopup(const QPoint& globalPos);

    // A page beside the source files (the programmer's settings); the files stay the first.
    void addPage(QWidget* page, const QString& title);
    // Brings the source files (0) or an added page (1, 2, ...) to the front.
    void showPage(int index);

  signals:
    // Panel texts changed, current slot changed, modified state changed.
    void stateChanged();

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The main-file chooser TF_MFile. Returns true with the chosen path when the user pressed Ok.
bool chooseMainFile(QWidget* parent, const std::vector<std::string>& openPaths,
                    std::string& mainFile);

} // namespace zerka::gui
