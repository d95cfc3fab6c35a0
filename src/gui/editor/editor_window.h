#pragma once
// The source editor window TZk_EDIT: up to 20 QScintilla tabs with the bookmark gutter, line
// numbers and highlighting of the assembly language, the find dialog TZk_NFind, the standard
// find and replace dialogs, automatic indentation, the file list popup and the status bar.
#include "editor/editor_files.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace zerka::gui {

// Words the highlighter colours: the selected core's mnemonics (and aliases) and the
// assembler's directives, upper case.
struct LanguageWords {
    std::vector<std::string> mnemonics;
    std::vector<std::string> directives;
};

class EditorWindow : public QWidget, public EditorFiles {
    Q_OBJECT
  public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    void setListener(EditorListener* listener);
    void setLanguageWords(const LanguageWords& words);
    // The "Program Memory Over Spec.!!!!! Total Code Line is " panel text on activation; 0
    // clears it.
    void setCodeExtentWarning(int codeExtent, int programMemorySize);

    // EditorFiles
    int slotCount() const override;
    int currentSlot() const override;
    std::string pathOf(int slot) const override;
    bool isModified(int slot) const override;
    int findSlot(const std::string& path) const override;
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

    // The current slot's text (tests and the source view).
    std::string textOf(int slot) const;

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
