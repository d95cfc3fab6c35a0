#include "gui/editor/editor_window.h"

#include "gui/editor/bookmark_keys.h"

#include "core/text.h"
#include "editor/asm_tokens.h"
#include "editor/auto_indent.h"
#include "editor/bookmarks.h"
#include "editor/file_list.h"
#include "editor/find_history.h"
#include "editor/find_replace.h"
#include "editor/slot_list.h"
#include "editor/text_buffer.h"
#include "gui/editor/editor_texts.h"
#include "gui/editor/find_dialog.h"
#include "gui/editor/find_replace_dialog.h"
#include "gui/editor/language_service.h"
#include "gui/editor/text_control.h"
#include "lsp/documents.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {

constexpr int kReplacePresetLimit = 29; // longer selections are not taken as the find text

std::vector<std::string> localFiles(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (!mime || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

struct SlotView {
    TextControl* text = nullptr;
    bool highlighted = false; // the find dialog's blue match is shown
    long highlightCaret = -1; // where the find left the caret
    bool overwrite = false;
    std::vector<Squiggle> squiggles; // the last analysis' diagnostics of this text
    long dwell = -1;                 // where the mouse rests; -1 none
};

// Quiet time after the last change before the texts are analysed.
constexpr int kAnalysisDelayMs = 250;

enum class LastFind { None, Quick, Standard };

} // namespace

struct EditorWindow::Impl : QObject, DocumentsView {
    EditorWindow* q;
    EditorDocuments& docs;
    EditorListener* listener = nullptr;
    QTabWidget* tabs;
    QTabWidget* pages = nullptr; // the files and the added pages, once a page is added
    QStatusBar* bar;
    QLabel* panels[4];
    std::vector<SlotView> views;
    Bookmarks marks;
    FindHistory history;
    FindDialog* findDialog = nullptr;
    FindReplaceDialog* standardDialog = nullptr;
    LastFind lastFind = LastFind::None;
    std::string quickText;
    std::shared_ptr<const AsmWords> words =
        std::make_shared<AsmWords>(std::vector<std::string>{}, standardDirectives());
    QFont font = editorQFont(EditorFont{});
    QString extentWarning;
    bool selectLinePending = false;
    bool selectLineArmed = false;
    bool switching = false;
    LanguageService* language;
    QTimer* analysisTimer;
    uint64_t editStamp = 0; // counts every change of any text
    std::function<LanguageSettings()> settingsSource;
    std::optional<LanguageSettings> settingsSent;

    Impl(EditorWindow* owner, EditorDocuments& documents);

    SlotView* view(int slot) {
        return slot >= 1 && slot <= static_cast<int>(views.size()) ? &views[slot - 1] : nullptr;
    }
    const SlotView* view(int slot) const {
        return slot >= 1 && slot <= static_cast<int>(views.size()) ? &views[slot - 1] : nullptr;
    }
    TextControl* current() {
        SlotView* v = view(docs.currentSlot());
        return v ? v->text : nullptr;
    }
    int slotOf(const QObject* text) const {
        for (size_t i = 0; i < views.size(); ++i) {
            if (views[i].text == text || views[i].text->viewport() == text)
                return static_cast<int>(i) + 1;
        }
        return 0;
    }
    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (int s = 1; s <= docs.slotCount(); ++s)
            out.push_back(docs.pathOf(s));
        return out;
    }

    // DocumentsView
    std::unique_ptr<TextBuffer> makeBuffer() override;
    void documentAdded(int slot) override;
    void documentRemoved(int slot) override;
    void allClosed() override;
    void currentChanged(int slot) override { switchTo(slot); }
    void documentRenamed(int slot) override;
    void documentReloaded(int slot) override;
    void lineShown(int slot, int line) override;
    void lineSelected(int slot, int line) override;
    void fontChanged(const EditorFont& font) override;

    TextBuffer* buffer() {
        return docs.currentSlot() > 0 ? &docs.text(docs.currentSlot()) : nullptr;
    }
    void switchTo(int slot);
    void showAllBookmarks();

    void refreshCaretPanel();
    void refreshModifiedPanel();
    void refreshModePanel();
    void refreshSizePanel();
    void layoutPanels();

    void onModified(TextControl* text, int line, int column, int linesAdded);
    void onCaret(TextControl* text);
    void onCharAdded(TextControl* text, int ch);
    void clearHighlight(SlotView& v);

    void quickSearch();
    FindReplaceDialog* standard();
    void standardFindNext();
    void standardReplace(bool all);

    void addFileEntries(QMenu& menu);
    void chooseFileEntry(QAction* action);
    void contextMenu(TextControl* text, const QPoint& pos);

    void scheduleAnalysis();
    void analyseNow();
    void showSquiggles(uint64_t stamp, std::vector<FileSquiggles> files);
    void dwellStart(TextControl* text, long position);
    void dwellEnd(TextControl* text);
    void definitionAt(TextControl* text, long position);
    void showDefinition(const SourcePlace& place);

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool textKey(int slot, QKeyEvent* key);
};

EditorWindow::Impl::Impl(EditorWindow* owner, EditorDocuments& documents)
    : QObject(owner), q(owner), docs(documents), tabs(new QTabWidget(owner)),
      bar(new QStatusBar(owner)), language(new LanguageService(this)),
      analysisTimer(new QTimer(this)) {
    analysisTimer->setSingleShot(true);
    analysisTimer->setInterval(kAnalysisDelayMs);
    connect(analysisTimer, &QTimer::timeout, this, [this] { analyseNow(); });
    q->setObjectName(QStringLiteral("TZk_EDIT"));
    q->setWindowTitle(qtext(TextId::EditorCaption));
    q->setAccessibleName(q->windowTitle());
    q->setAcceptDrops(true);
    tabs->setObjectName(QStringLiteral("editorTabs"));
    tabs->setAccessibleName(qtext(TextId::EditorCaption));
    tabs->setDocumentMode(true);
    tabs->setUsesScrollButtons(true);
    tabs->setElideMode(Qt::ElideNone);
    bar->setObjectName(QStringLiteral("editorStatus"));
    bar->setAccessibleName(QStringLiteral("Editor status"));
    bar->setSizeGripEnabled(false);
    static const char* panelNames[] = {"Caret position", "Modified state", "Insert mode",
                                       "File size"};
    for (int i = 0; i < 4; ++i) {
        panels[i] = new QLabel(bar);
        panels[i]->setObjectName(QStringLiteral("panel%1").arg(i));
        panels[i]->setAccessibleName(QString::fromLatin1(panelNames[i]));
        panels[i]->setContentsMargins(4, 0, 4, 0);
        bar->addWidget(panels[i], i == 3 ? 1 : 0);
    }
    auto* layout = new QVBoxLayout(q);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs, 1);
    layout->addWidget(bar);
    q->installEventFilter(this);
    connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (!switching && index >= 0) docs.select(index + 1);
    });
    refreshModePanel();
}

std::unique_ptr<TextBuffer> EditorWindow::Impl::makeBuffer() {
    auto* text = new TextControl(tabs);
    text->setObjectName(QStringLiteral("editorText"));
    text->setWords(words);
    text->applyEditorFont(font);
    text->setContextMenuPolicy(Qt::CustomContextMenu);
    text->installEventFilter(this);
    text->viewport()->installEventFilter(this);
    text->hide(); // shown by its tab
    return std::make_unique<ControlBuffer>(text);
}

void EditorWindow::Impl::documentAdded(int slot) {
    auto* text = static_cast<ControlBuffer&>(docs.text(slot)).control();
    const std::string path = docs.pathOf(slot);
    text->setAccessibleName(QString::fromStdString(fileNameOf(path)));
    views.push_back(SlotView{text});

    connect(text, &TextControl::edited, this, [this, text](int line, int column, int linesAdded) {
        onModified(text, line, column, linesAdded);
        scheduleAnalysis();
    });
    connect(text, &QsciScintillaBase::SCN_DWELLSTART, this,
            [this, text](int position, int, int) { dwellStart(text, position); });
    connect(text, &QsciScintillaBase::SCN_DWELLEND, this,
            [this, text](int, int, int) { dwellEnd(text); });
    connect(text, &QsciScintilla::cursorPositionChanged, this, [this, text] { onCaret(text); });
    connect(text, &QsciScintilla::selectionChanged, this, [this, text] { onCaret(text); });
    connect(text, &QsciScintillaBase::SCN_CHARADDED, this,
            [this, text](int ch) { onCharAdded(text, ch); });
    connect(text, &QsciScintilla::modificationChanged, this, [this, text] {
        if (slotOf(text) == docs.currentSlot()) refreshModifiedPanel();
        Q_EMIT q->stateChanged();
    });
    connect(text, &QWidget::customContextMenuRequested, this,
            [this, text](const QPoint& pos) { contextMenu(text, pos); });

    switching = true;
    const int index = tabs->addTab(text, QString::fromStdString(fileNameOf(path)));
    tabs->setTabToolTip(index, QString::fromStdString(path));
    switching = false;
    switchTo(slot);
    scheduleAnalysis();
}

void EditorWindow::Impl::switchTo(int slot) {
    SlotView* v = view(slot);
    if (!v) return;
    switching = true;
    tabs->setCurrentIndex(slot - 1);
    switching = false;
    v->text->setFocus();
    refreshCaretPanel();
    refreshModifiedPanel();
    refreshModePanel();
    refreshSizePanel();
    Q_EMIT q->stateChanged();
}

void EditorWindow::Impl::documentRemoved(int slot) {
    SlotView* v = view(slot);
    if (!v) return;
    TextControl* text = v->text;
    switching = true;
    tabs->removeTab(slot - 1);
    switching = false;
    text->removeEventFilter(this);
    text->viewport()->removeEventFilter(this);
    text->disconnect(this);
    text->hide();
    text->setParent(nullptr);
    // The close may come from this control's own popup menu: free it once that returns.
    text->deleteLater();
    views.erase(views.begin() + (slot - 1));
    marks.slotClosed(slot);
    showAllBookmarks();
    scheduleAnalysis();
}

void EditorWindow::Impl::allClosed() {
    marks.clearAll();
    refreshCaretPanel();
    refreshModifiedPanel();
    refreshSizePanel();
    Q_EMIT q->stateChanged();
    if (listener) listener->editorLastSlotClosed();
}

void EditorWindow::Impl::documentRenamed(int slot) {
    SlotView* v = view(slot);
    if (!v) return;
    const std::string path = docs.pathOf(slot);
    const QString name = QString::fromStdString(fileNameOf(path));
    tabs->setTabText(slot - 1, name);
    tabs->setTabToolTip(slot - 1, QString::fromStdString(path));
    v->text->setAccessibleName(name);
    scheduleAnalysis();
    if (slot == docs.currentSlot()) refreshModifiedPanel();
    Q_EMIT q->stateChanged();
}

void EditorWindow::Impl::documentReloaded(int slot) {
    SlotView* v = view(slot);
    if (!v) return;
    v->highlighted = false;
    showAllBookmarks();
    scheduleAnalysis();
    if (slot == docs.currentSlot()) {
        refreshModifiedPanel();
        refreshSizePanel();
    }
    Q_EMIT q->stateChanged();
}

void EditorWindow::Impl::lineShown(int slot, int line) {
    if (SlotView* v = view(slot)) v->text->centreLine(line);
}

void EditorWindow::Impl::lineSelected(int slot, int line) {
    SlotView* v = view(slot);
    if (!v) return;
    v->text->centreLine(line);
    selectLinePending = true;
    selectLineArmed = false;
}

void EditorWindow::Impl::fontChanged(const EditorFont& editorFont) {
    font = editorQFont(editorFont);
    for (SlotView& v : views)
        v.text->applyEditorFont(font);
}

void EditorWindow::Impl::showAllBookmarks() {
    for (size_t i = 0; i < views.size(); ++i)
        views[i].text->showBookmarks(marks, static_cast<int>(i) + 1);
}

void EditorWindow::Impl::refreshCaretPanel() {
    TextControl* text = current();
    if (!text) {
        panels[0]->clear();
        return;
    }
    int line = 0;
    int index = 0;
    text->getCursorPosition(&line, &index);
    panels[0]->setText(QStringLiteral("%1: %2").arg(line + 1).arg(index + 1));
}

void EditorWindow::Impl::refreshModifiedPanel() {
    TextControl* text = current();
    panels[1]->setText(text && text->isModified() ? QStringLiteral("Modified") : QString());
}

void EditorWindow::Impl::refreshModePanel() {
    const SlotView* v = view(docs.currentSlot());
    panels[2]->setText(v && v->overwrite ? QStringLiteral("Overwrite") : QStringLiteral("Insert"));
}

void EditorWindow::Impl::refreshSizePanel() {
    TextControl* text = current();
    panels[3]->setText(text ? QStringLiteral("file of size = %1 byte").arg(text->length())
                            : QString());
}

void EditorWindow::Impl::layoutPanels() {
    const int third = std::max(0, (bar->width() - 80) / 3);
    panels[0]->setFixedWidth(80);
    panels[1]->setFixedWidth(third);
    panels[2]->setFixedWidth(third);
}

void EditorWindow::Impl::onModified(TextControl* text, int line, int column, int linesAdded) {
    const int slot = slotOf(text);
    if (slot == docs.currentSlot()) refreshSizePanel();
    if (linesAdded == 0) return;
    if (linesAdded > 0)
        marks.linesInserted(slot, line, column, linesAdded);
    else
        marks.linesDeleted(slot, line, -linesAdded);
    text->moveBookmarks(marks, slot, line, linesAdded);
    text->updateLineNumberWidth();
}

void EditorWindow::Impl::clearHighlight(SlotView& v) {
    if (!v.highlighted) return;
    v.text->clearFindHighlight(0, v.text->length());
    v.highlighted = false;
}

void EditorWindow::Impl::onCaret(TextControl* text) {
    const int slot = slotOf(text);
    SlotView* v = view(slot);
    if (!v) return;
    if (v->highlighted && (text->caretPosition() != v->highlightCaret || text->hasSelectedText()))
        clearHighlight(*v);
    if (slot == docs.currentSlot()) {
        refreshCaretPanel();
        Q_EMIT q->stateChanged();
    }
}

void EditorWindow::Impl::onCharAdded(TextControl* text, int ch) {
    const bool lineBreak = ch == '\n' || (ch == '\r' && text->eolMode() == QsciScintilla::EolMac);
    if (!lineBreak) return;
    const int line = text->caretLine();
    if (line < 1) return;
    const std::string previous = text->lineBytes(line - 1);
    const std::string caretLine = text->lineBytes(line);
    const long start = text->lineStart(line);
    const size_t own = leadingBlankCount(caretLine);
    if (const std::optional<IndentChange> change = indentChange(previous, caretLine)) {
        text->replaceRange(start, start + static_cast<long>(change->ownBlanks),
                           std::string(change->indent));
        text->setCaretPosition(start + static_cast<long>(change->indent.size()));
    } else if (!leadingIndent(previous).empty()) {
        // Already indented as the line above: the caret goes past the blanks.
        text->setCaretPosition(start + static_cast<long>(own));
    }
}

void EditorWindow::Impl::quickSearch() {
    TextControl* text = current();
    if (!text || quickText.empty()) return;
    SlotView& v = *view(docs.currentSlot());
    const std::optional<TextRange> found =
        zerka::quickFind(*buffer(), text->encode(QString::fromStdString(quickText)));
    if (!found) {
        QApplication::beep();
        return;
    }
    clearHighlight(v);
    text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    text->setFindHighlight(found->start, found->end - found->start);
    v.highlighted = true;
    v.highlightCaret = found->end;
}

FindReplaceDialog* EditorWindow::Impl::standard() {
    if (!standardDialog) {
        standardDialog = new FindReplaceDialog(q);
        connect(standardDialog, &FindReplaceDialog::findNextRequested, this,
                [this] { standardFindNext(); });
        connect(standardDialog, &FindReplaceDialog::replaceRequested, this,
                [this](bool all) { standardReplace(all); });
    }
    return standardDialog;
}

void EditorWindow::Impl::standardFindNext() {
    TextControl* text = current();
    if (!text || !standardDialog) return;
    lastFind = LastFind::Standard;
    const FindOptions options{standardDialog->matchCase(), standardDialog->wholeWord()};
    if (!zerka::findNext(*buffer(), text->encode(standardDialog->findText()), options)) {
        QApplication::beep();
        return;
    }
    text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

void EditorWindow::Impl::standardReplace(bool all) {
    TextControl* text = current();
    if (!text || !standardDialog) return;
    const std::string needle = text->encode(standardDialog->findText());
    const std::string replacement = text->encode(standardDialog->replaceText());
    if (needle.empty()) return;
    const FindOptions options{standardDialog->matchCase(), standardDialog->wholeWord()};

    QPointer<EditorWindow> alive(q);
    q->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    text->viewport()->setUpdatesEnabled(false);
    const int replaced = replaceMatches(*buffer(), needle, replacement, options, all, [&alive] {
        QCoreApplication::processEvents();
        return alive && !QCoreApplication::closingDown();
    });
    QApplication::restoreOverrideCursor();
    if (!alive || QCoreApplication::closingDown()) return;
    if (replaced == 0) QApplication::beep();
    text->viewport()->setUpdatesEnabled(true);
    q->setEnabled(true);
    text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

void EditorWindow::Impl::addFileEntries(QMenu& menu) {
    const std::string prefix = TextOf(TextId::FilePrefix);
    for (const FileListEntry& entry : fileListEntries(paths(), prefix)) {
        QAction* action = menu.addAction(QString::fromStdString(entry.caption));
        action->setData(entry.slot);
        action->setObjectName(QStringLiteral("fileEntry"));
        connect(action, &QAction::triggered, this, [this, action] { chooseFileEntry(action); });
    }
}

void EditorWindow::Impl::chooseFileEntry(QAction* action) {
    int slot =
        slotOfFileListCaption(paths(), TextOf(TextId::FilePrefix), action->text().toStdString());
    if (slot == 0) slot = action->data().toInt(); // a name that itself holds "&"
    docs.select(slot);
}

void EditorWindow::Impl::contextMenu(TextControl* text, const QPoint& pos) {
    const int slot = slotOf(text);
    if (slot == 0) return;
    QMenu menu(q);
    menu.setObjectName(QStringLiteral("editorMenu"));
    QMenu* setMenu = menu.addMenu(qtext(TextId::EditorSetBookmark));
    QMenu* gotoMenu = menu.addMenu(qtext(TextId::EditorGotoBookmark));
    for (int k = 1; k <= Bookmarks::kCount; ++k) {
        const int n = k % Bookmarks::kCount; // 1..9, then 0
        QAction* set = setMenu->addAction(qtext(TextId::EditorSetBookmark) +
                                          QStringLiteral("-%1\tCtrl+Shift+%1").arg(n));
        set->setCheckable(true);
        set->setChecked(marks.isSet(n));
        connect(set, &QAction::triggered, this, [this, n] { q->setBookmark(n); });
        QAction* go = gotoMenu->addAction(qtext(TextId::EditorGotoBookmark) +
                                          QStringLiteral("-%1\tCtrl+%1").arg(n));
        go->setEnabled(marks.isSet(n));
        connect(go, &QAction::triggered, this, [this, n] { q->gotoBookmark(n); });
    }
    menu.addSeparator();
    const std::string path = docs.pathOf(slot);
    connect(menu.addAction(qtext(TextId::EditorCloseFile)), &QAction::triggered, this,
            [this, path] {
                if (listener) listener->editorCloseFile(path);
            });
    connect(menu.addAction(qtext(TextId::SetMainFile)), &QAction::triggered, this, [this, path] {
        if (listener) listener->editorSetMainFile(path);
    });
    menu.addSeparator();
    addFileEntries(menu);
    menu.exec(text->mapToGlobal(pos));
}

bool EditorWindow::Impl::textKey(int slot, QKeyEvent* key) {
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
        SlotView& v = *view(slot);
        v.overwrite = !v.overwrite;
        v.text->setOverwriteMode(v.overwrite);
        refreshModePanel();
        Q_EMIT q->stateChanged();
        return true;
    }
    if (key->key() == Qt::Key_F12 && mods == Qt::NoModifier) {
        definitionAt(view(slot)->text, view(slot)->text->caretPosition());
        return true;
    }
    const int digit = digitOfKey(key->key());
    if (digit < 0) return false;
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        q->setBookmark(digit);
        return true;
    }
    if (mods == Qt::ControlModifier) {
        q->gotoBookmark(digit);
        return true;
    }
    return false;
}

void EditorWindow::Impl::scheduleAnalysis() {
    ++editStamp;
    analysisTimer->start();
}

void EditorWindow::Impl::analyseNow() {
    analysisTimer->stop();
    if (settingsSource) {
        LanguageSettings settings = settingsSource();
        if (settings != settingsSent) {
            language->setSettings(settings);
            settingsSent = std::move(settings);
        }
    }
    std::vector<LanguageService::Text> texts;
    for (int slot = 1; slot <= docs.slotCount(); ++slot) {
        const std::string path = docs.pathOf(slot);
        if (isNewFileName(path)) continue; // no file yet: nothing could include it
        texts.push_back({path, std::string(docs.text(slot).bytes())});
    }
    language->analyse(std::move(texts), editStamp,
                      [this](uint64_t stamp, std::vector<FileSquiggles> files) {
                          showSquiggles(stamp, std::move(files));
                      });
}

void EditorWindow::Impl::showSquiggles(uint64_t stamp, std::vector<FileSquiggles> files) {
    // A text changed since these were computed: their places may be wrong, a newer run comes.
    if (stamp != editStamp) return;
    for (FileSquiggles& f : files) {
        const int slot = docs.findSlot(f.path);
        SlotView* v = view(slot);
        if (!v) continue;
        std::vector<std::pair<long, long>> ranges;
        for (const Squiggle& s : f.squiggles) {
            const long start = v->text->lineStart(s.line);
            const long lineEnd =
                v->text->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, s.line);
            if (s.start == s.end)
                ranges.emplace_back(start, lineEnd);
            else
                ranges.emplace_back(std::min(lineEnd, start + s.start),
                                    std::min(lineEnd, start + s.end));
        }
        v->text->showDiagnostics(ranges);
        v->squiggles = std::move(f.squiggles);
    }
}

void EditorWindow::Impl::dwellStart(TextControl* text, long position) {
    const int slot = slotOf(text);
    SlotView* v = view(slot);
    if (!v || position < 0) return;
    v->dwell = position;
    const int line = text->lineOfPosition(position);
    const int column = static_cast<int>(position - text->lineStart(line));
    std::string messages;
    for (const Squiggle& s : v->squiggles) {
        const bool inside =
            s.line == line && (s.start == s.end || (column >= s.start && column <= s.end));
        if (inside) messages += (messages.empty() ? "" : "\n") + s.message;
    }
    const std::string path = docs.pathOf(slot);
    auto show = [this, text, position, messages](const std::string& hover) {
        SlotView* now = view(slotOf(text));
        if (!now || now->dwell != position) return; // the mouse moved on
        std::string tip = messages;
        if (!hover.empty()) tip += (tip.empty() ? "" : "\n\n") + hover;
        if (tip.empty()) return;
        const QString shown = text->decode(tip);
        text->SendScintilla(QsciScintillaBase::SCI_CALLTIPSHOW,
                            static_cast<unsigned long>(position), text->encode(shown).c_str());
        // Screen readers (and tests) read the tip as the text's description.
        text->setAccessibleDescription(shown);
    };
    if (isNewFileName(path)) {
        show({});
        return;
    }
    if (analysisTimer->isActive()) analyseNow();
    language->hover(path, line, column, show);
}

void EditorWindow::Impl::dwellEnd(TextControl* text) {
    if (SlotView* v = view(slotOf(text))) v->dwell = -1;
    text->SendScintilla(QsciScintillaBase::SCI_CALLTIPCANCEL);
    text->setAccessibleDescription(QString());
}

void EditorWindow::Impl::definitionAt(TextControl* text, long position) {
    const int slot = slotOf(text);
    if (slot == 0 || isNewFileName(docs.pathOf(slot))) {
        QApplication::beep();
        return;
    }
    const int line = text->lineOfPosition(position);
    const int column = static_cast<int>(position - text->lineStart(line));
    // The server reads the texts as they are now.
    if (analysisTimer->isActive()) analyseNow();
    language->definition(docs.pathOf(slot), line, column, [this](std::optional<SourcePlace> place) {
        if (!place) {
            QApplication::beep();
            return;
        }
        showDefinition(*place);
    });
}

void EditorWindow::Impl::showDefinition(const SourcePlace& place) {
    int slot = docs.findSlot(place.path);
    if (slot == 0) {
        if (!docs.openFile(place.path)) {
            QApplication::beep();
            return;
        }
        slot = docs.currentSlot();
    }
    docs.gotoLine(slot, place.line);
    TextBuffer& t = docs.text(slot);
    const long start = lineStartIn(t.bytes(), place.line);
    t.select(start + place.start, start + place.end);
    if (SlotView* v = view(slot)) v->text->setFocus();
}

bool EditorWindow::Impl::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (localFiles(drag->mimeData()).empty()) break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::vector<std::string> files = localFiles(drop->mimeData());
        if (files.empty()) break;
        drop->acceptProposedAction();
        if (listener) listener->editorFilesDropped(files);
        return true;
    }
    case QEvent::Resize:
    case QEvent::Show:
        if (watched == q) {
            layoutPanels();
            if (event->type() == QEvent::Show && !extentWarning.isEmpty())
                panels[2]->setText(extentWarning);
        }
        break;
    case QEvent::WindowActivate:
        if (watched == q && !extentWarning.isEmpty()) panels[2]->setText(extentWarning);
        break;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        const int slot = slotOf(watched);
        if (slot == 0) break;
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::ShortcutOverride) {
            // Keep the editor's own keys from the main window's shortcuts.
            const auto mods = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
            if ((mods == Qt::ControlModifier && digitOfKey(key->key()) >= 0) ||
                (key->key() == Qt::Key_F12 && key->modifiers() == Qt::NoModifier)) {
                event->accept();
                return true;
            }
            break;
        }
        if (textKey(slot, key)) return true;
        break;
    }
    case QEvent::MouseButtonRelease: {
        // Ctrl+click: the definition of what was clicked.
        auto* mouse = static_cast<QMouseEvent*>(event);
        const SlotView* v = view(slotOf(watched));
        if (!v || watched != v->text->viewport() || mouse->button() != Qt::LeftButton ||
            (mouse->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) !=
                Qt::ControlModifier)
            break;
        const QPoint at = mouse->position().toPoint();
        long position = v->text->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE,
                                               static_cast<unsigned long>(at.x()), at.y());
        if (position < 0) position = v->text->caretPosition();
        definitionAt(v->text, position);
        break;
    }
    case QEvent::FocusOut:
        if (selectLinePending && slotOf(watched) != 0) selectLineArmed = true;
        break;
    case QEvent::FocusIn:
        if (selectLineArmed) {
            if (TextControl* text = current()) text->setCaretPosition(text->caretPosition());
            selectLinePending = selectLineArmed = false;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// ----------------------------------------------------------------------------------------

EditorWindow::EditorWindow(EditorDocuments& documents, QWidget* parent)
    : QWidget(parent), d_(std::make_unique<Impl>(this, documents)) {
    documents.setView(d_.get());
}

void EditorWindow::addPage(QWidget* page, const QString& title) {
    if (!d_->pages) {
        d_->pages = new QTabWidget(this);
        d_->pages->setObjectName(QStringLiteral("editorPages"));
        d_->pages->setTabPosition(QTabWidget::South);
        // The layout hands back the item that held the tabs: ours to delete.
        delete layout()->replaceWidget(d_->tabs, d_->pages);
        d_->pages->addTab(d_->tabs, windowTitle());
    }
    d_->pages->addTab(page, title);
}

void EditorWindow::showPage(int index) {
    if (d_->pages) d_->pages->setCurrentIndex(index);
}

EditorWindow::~EditorWindow() {
    // A running analysis ends (its answer is dropped) before the texts go.
    delete d_->language;
    d_->language = nullptr;
    d_->analysisTimer->stop();
    // The documents take their texts back while the controls still hold them.
    d_->docs.setView(nullptr);
    for (SlotView& v : d_->views) {
        v.text->removeEventFilter(d_.get());
        v.text->viewport()->removeEventFilter(d_.get());
    }
    removeEventFilter(d_.get());
}

void EditorWindow::setListener(EditorListener* listener) {
    d_->listener = listener;
}

void EditorWindow::setLanguageWords(const LanguageWords& words) {
    d_->words = std::make_shared<AsmWords>(
        words.mnemonics, words.directives.empty() ? standardDirectives() : words.directives);
    for (SlotView& v : d_->views)
        v.text->setWords(d_->words);
}

void EditorWindow::setLanguageSettings(std::function<LanguageSettings()> source) {
    d_->settingsSource = std::move(source);
    d_->scheduleAnalysis();
}

void EditorWindow::gotoDefinition() {
    if (TextControl* text = d_->current()) d_->definitionAt(text, text->caretPosition());
}

void EditorWindow::setCodeExtentWarning(int codeExtent, int programMemorySize) {
    d_->extentWarning =
        codeExtent > programMemorySize && codeExtent > 0
            ? QStringLiteral("Program Memory Over Spec.!!!!! Total Code Line is %1").arg(codeExtent)
            : QString();
    if (!d_->extentWarning.isEmpty())
        d_->panels[2]->setText(d_->extentWarning);
    else
        d_->refreshModePanel();
}

EditorDocuments& EditorWindow::documents() {
    return d_->docs;
}
int EditorWindow::slotCount() const {
    return d_->docs.slotCount();
}
int EditorWindow::currentSlot() const {
    return d_->docs.currentSlot();
}
std::string EditorWindow::pathOf(int slot) const {
    return d_->docs.pathOf(slot);
}
bool EditorWindow::openFile(const std::string& path) {
    return d_->docs.openFile(path);
}
void EditorWindow::applyFont(const EditorFont& font) {
    d_->docs.applyFont(font);
}

void EditorWindow::cut() {
    if (TextControl* text = d_->current()) text->cut();
}
void EditorWindow::copy() {
    if (TextControl* text = d_->current()) text->copy();
}
void EditorWindow::paste() {
    if (TextControl* text = d_->current()) text->paste();
}
void EditorWindow::selectAll() {
    if (TextControl* text = d_->current()) text->selectAll(true);
}
void EditorWindow::undo() {
    if (TextControl* text = d_->current()) text->undo();
}

void EditorWindow::find() {
    if (!d_->current()) return;
    if (!d_->findDialog) d_->findDialog = new FindDialog(d_->history, this);
    std::string text;
    if (!d_->findDialog->run(this, text)) return;
    d_->quickText = text;
    d_->lastFind = LastFind::Quick;
    if (d_->standardDialog) d_->standardDialog->setFindText(QString::fromStdString(text));
    d_->quickSearch();
}

void EditorWindow::findNext() {
    if (d_->lastFind == LastFind::Standard && d_->standardDialog &&
        !d_->standardDialog->findText().isEmpty())
        d_->standardFindNext();
    else if (!d_->quickText.empty())
        d_->quickSearch();
    else
        find();
}

void EditorWindow::findStandard() {
    if (!d_->current()) return;
    FindReplaceDialog* dialog = d_->standard();
    if (dialog->findText().isEmpty() && !d_->quickText.empty())
        dialog->setFindText(QString::fromStdString(d_->quickText));
    d_->lastFind = LastFind::Standard;
    dialog->showFind(this);
}

void EditorWindow::replace() {
    TextControl* text = d_->current();
    if (!text) return;
    const QString selected = text->selectedText();
    const bool preset = !selected.isEmpty() && selected.size() <= kReplacePresetLimit &&
                        !selected.contains(QLatin1Char('\n'));
    d_->lastFind = LastFind::Standard;
    d_->standard()->showReplace(this, preset ? selected : QString());
}

void EditorWindow::setBookmark(int n) {
    TextControl* text = d_->current();
    if (!text || n < 0 || n >= Bookmarks::kCount) return;
    d_->marks.toggle(n, d_->docs.currentSlot(), text->caretLine());
    d_->showAllBookmarks();
    Q_EMIT stateChanged();
}

void EditorWindow::gotoBookmark(int n) {
    if (!d_->marks.isSet(n)) return;
    const Bookmark mark = d_->marks[n];
    d_->docs.gotoLine(mark.slot, mark.line);
}

bool EditorWindow::bookmark(int n, std::string* path, int* line) const {
    if (!d_->marks.isSet(n)) return false;
    if (path) *path = d_->docs.pathOf(d_->marks[n].slot);
    if (line) *line = d_->marks[n].line;
    return true;
}

void EditorWindow::nextFile() {
    const int count = d_->docs.slotCount();
    if (count > 0) d_->docs.select(d_->docs.currentSlot() % count + 1);
}

void EditorWindow::previousFile() {
    const int count = d_->docs.slotCount();
    if (count > 0) d_->docs.select((d_->docs.currentSlot() + count - 2) % count + 1);
}

void EditorWindow::showFileListPopup(const QPoint& globalPos) {
    if (d_->docs.slotCount() == 0) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("fileListPopup"));
    menu.setAccessibleName(QString::fromStdString(TextOf(TextId::ButtonPage)));
    d_->addFileEntries(menu);
    menu.exec(globalPos);
}

} // namespace zerka::gui
