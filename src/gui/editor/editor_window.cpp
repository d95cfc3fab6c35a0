#include "gui/editor/editor_window.h"

#include "gui/editor/bookmark_keys.h"

#include "core/atomic_file.h"
#include "core/text.h"
#include "editor/asm_tokens.h"
#include "editor/auto_indent.h"
#include "editor/bookmarks.h"
#include "editor/file_list.h"
#include "editor/find_history.h"
#include "editor/slot_list.h"
#include "gui/editor/editor_texts.h"
#include "gui/editor/find_dialog.h"
#include "gui/editor/find_replace_dialog.h"
#include "gui/editor/text_control.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

namespace zerka::gui {

namespace {

constexpr int kEditCaptionEntry = 167;
constexpr int kSetBookmarkEntry = 168;
constexpr int kGotoBookmarkEntry = 169;
constexpr int kCloseFileEntry = 170;
constexpr int kSetMainFileEntry = 171;
constexpr int kFilePrefixEntry = 172;
constexpr int kReplacePresetLimit = 29; // longer selections are not taken as the find text
constexpr int kReplaceYieldEvery = 256;

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
};

enum class LastFind { None, Quick, Standard };

} // namespace

struct EditorWindow::Impl : QObject {
    EditorWindow* q;
    EditorListener* listener = nullptr;
    QTabWidget* tabs;
    QTabWidget* pages = nullptr; // the files and the added pages, once a page is added
    QStatusBar* bar;
    QLabel* panels[4];
    SlotList files;
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

    explicit Impl(EditorWindow* owner);

    SlotView* view(int slot) {
        return slot >= 1 && slot <= static_cast<int>(views.size()) ? &views[slot - 1] : nullptr;
    }
    const SlotView* view(int slot) const {
        return slot >= 1 && slot <= static_cast<int>(views.size()) ? &views[slot - 1] : nullptr;
    }
    TextControl* current() {
        SlotView* v = view(files.current());
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
        for (int s = 1; s <= files.count(); ++s)
            out.push_back(files.pathOf(s));
        return out;
    }

    int addSlot(int slot, const std::string* bytes);
    void switchTo(int slot);
    void removeSlot(int slot);
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

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool textKey(int slot, QKeyEvent* key);
};

EditorWindow::Impl::Impl(EditorWindow* owner)
    : QObject(owner), q(owner), tabs(new QTabWidget(owner)), bar(new QStatusBar(owner)) {
    q->setObjectName(QStringLiteral("TZk_EDIT"));
    q->setWindowTitle(qtext(kEditCaptionEntry));
    q->setAccessibleName(q->windowTitle());
    q->setAcceptDrops(true);
    tabs->setObjectName(QStringLiteral("editorTabs"));
    tabs->setAccessibleName(qtext(kEditCaptionEntry));
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
        if (!switching && index >= 0) switchTo(index + 1);
    });
    refreshModePanel();
}

int EditorWindow::Impl::addSlot(int slot, const std::string* bytes) {
    auto* text = new TextControl(tabs);
    const std::string path = files.pathOf(slot);
    text->setObjectName(QStringLiteral("editorText"));
    text->setAccessibleName(QString::fromStdString(fileNameOf(path)));
    text->setWords(words);
    text->applyEditorFont(font);
    if (bytes) text->setBytes(*bytes);
    text->setContextMenuPolicy(Qt::CustomContextMenu);
    text->installEventFilter(this);
    text->viewport()->installEventFilter(this);
    views.push_back(SlotView{text});

    connect(text, &TextControl::edited, this, [this, text](int line, int column, int linesAdded) {
        onModified(text, line, column, linesAdded);
    });
    connect(text, &QsciScintilla::cursorPositionChanged, this, [this, text] { onCaret(text); });
    connect(text, &QsciScintilla::selectionChanged, this, [this, text] { onCaret(text); });
    connect(text, &QsciScintillaBase::SCN_CHARADDED, this,
            [this, text](int ch) { onCharAdded(text, ch); });
    connect(text, &QsciScintilla::modificationChanged, this, [this, text] {
        if (slotOf(text) == files.current()) refreshModifiedPanel();
        emit q->stateChanged();
    });
    connect(text, &QWidget::customContextMenuRequested, this,
            [this, text](const QPoint& pos) { contextMenu(text, pos); });

    switching = true;
    const int index = tabs->addTab(text, QString::fromStdString(fileNameOf(path)));
    tabs->setTabToolTip(index, QString::fromStdString(path));
    switching = false;
    switchTo(slot);
    return slot;
}

void EditorWindow::Impl::switchTo(int slot) {
    SlotView* v = view(slot);
    if (!v) return;
    files.select(slot);
    switching = true;
    tabs->setCurrentIndex(slot - 1);
    switching = false;
    v->text->setFocus();
    refreshCaretPanel();
    refreshModifiedPanel();
    refreshModePanel();
    refreshSizePanel();
    emit q->stateChanged();
}

void EditorWindow::Impl::removeSlot(int slot) {
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
    files.remove(slot);
    marks.slotClosed(slot);
    showAllBookmarks();
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
    const SlotView* v = view(files.current());
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
    if (slot == files.current()) refreshSizePanel();
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
    if (slot == files.current()) {
        refreshCaretPanel();
        emit q->stateChanged();
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
    SlotView& v = *view(files.current());
    const long from = text->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    long end = 0;
    const long found = text->searchForward(text->encode(QString::fromStdString(quickText)), from,
                                           false, false, &end);
    if (found < 0) {
        QApplication::beep();
        return;
    }
    clearHighlight(v);
    text->setCaretPosition(end);
    text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    text->setFindHighlight(found, end - found);
    v.highlighted = true;
    v.highlightCaret = end;
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
    const long from = text->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
    long end = 0;
    const long found =
        text->searchForward(text->encode(standardDialog->findText()), from,
                            standardDialog->matchCase(), standardDialog->wholeWord(), &end);
    if (found < 0) {
        QApplication::beep();
        return;
    }
    text->SendScintilla(QsciScintillaBase::SCI_SETSEL, found, end);
    text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

void EditorWindow::Impl::standardReplace(bool all) {
    TextControl* text = current();
    if (!text || !standardDialog) return;
    const std::string needle = text->encode(standardDialog->findText());
    const std::string replacement = text->encode(standardDialog->replaceText());
    if (needle.empty()) return;
    const bool matchCase = standardDialog->matchCase();
    const bool wholeWord = standardDialog->wholeWord();
    auto sameText = [&](const std::string& selected) {
        return matchCase ? selected == needle : toUpperAscii(selected) == toUpperAscii(needle);
    };

    QPointer<EditorWindow> alive(q);
    q->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    text->viewport()->setUpdatesEnabled(false);
    text->beginUndoAction();
    int replaced = 0;
    for (;;) {
        const long selStart = text->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
        const long selEnd = text->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
        std::string selected(static_cast<size_t>(selEnd - selStart) + 1, '\0');
        text->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, selStart, selEnd, selected.data());
        selected.resize(static_cast<size_t>(selEnd - selStart));
        if (!sameText(selected)) {
            long end = 0;
            const long found = text->searchForward(needle, selEnd, matchCase, wholeWord, &end);
            // No further match: stop rather than replace whatever else is selected.
            if (found < 0) {
                if (replaced == 0) QApplication::beep();
                break;
            }
            text->SendScintilla(QsciScintillaBase::SCI_SETSEL, found, end);
        }
        text->SendScintilla(QsciScintillaBase::SCI_REPLACESEL, 0UL, replacement.c_str());
        ++replaced;
        if (!all) break;
        if (replaced % kReplaceYieldEvery == 0) {
            QCoreApplication::processEvents();
            if (!alive || QCoreApplication::closingDown()) return;
        }
    }
    text->endUndoAction();
    text->viewport()->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    q->setEnabled(true);
    text->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

void EditorWindow::Impl::addFileEntries(QMenu& menu) {
    const std::string prefix = TextOf(kFilePrefixEntry);
    for (const FileListEntry& entry : fileListEntries(paths(), prefix)) {
        QAction* action = menu.addAction(QString::fromStdString(entry.caption));
        action->setData(entry.slot);
        action->setObjectName(QStringLiteral("fileEntry"));
        connect(action, &QAction::triggered, this, [this, action] { chooseFileEntry(action); });
    }
}

void EditorWindow::Impl::chooseFileEntry(QAction* action) {
    int slot =
        slotOfFileListCaption(paths(), TextOf(kFilePrefixEntry), action->text().toStdString());
    if (slot == 0) slot = action->data().toInt(); // a name that itself holds "&"
    switchTo(slot);
}

void EditorWindow::Impl::contextMenu(TextControl* text, const QPoint& pos) {
    const int slot = slotOf(text);
    if (slot == 0) return;
    QMenu menu(q);
    menu.setObjectName(QStringLiteral("editorMenu"));
    QMenu* setMenu = menu.addMenu(qtext(kSetBookmarkEntry));
    QMenu* gotoMenu = menu.addMenu(qtext(kGotoBookmarkEntry));
    for (int k = 1; k <= Bookmarks::kCount; ++k) {
        const int n = k % Bookmarks::kCount; // 1..9, then 0
        QAction* set = setMenu->addAction(qtext(kSetBookmarkEntry) +
                                          QStringLiteral("-%1\tCtrl+Shift+%1").arg(n));
        set->setCheckable(true);
        set->setChecked(marks.isSet(n));
        connect(set, &QAction::triggered, this, [this, n] { q->setBookmark(n); });
        QAction* go =
            gotoMenu->addAction(qtext(kGotoBookmarkEntry) + QStringLiteral("-%1\tCtrl+%1").arg(n));
        go->setEnabled(marks.isSet(n));
        connect(go, &QAction::triggered, this, [this, n] { q->gotoBookmark(n); });
    }
    menu.addSeparator();
    const std::string path = files.pathOf(slot);
    connect(menu.addAction(qtext(kCloseFileEntry)), &QAction::triggered, this, [this, path] {
        if (listener) listener->editorCloseFile(path);
    });
    connect(menu.addAction(qtext(kSetMainFileEntry)), &QAction::triggered, this, [this, path] {
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
        emit q->stateChanged();
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
            if (mods == Qt::ControlModifier && digitOfKey(key->key()) >= 0) {
                event->accept();
                return true;
            }
            break;
        }
        if (textKey(slot, key)) return true;
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

EditorWindow::EditorWindow(QWidget* parent) : QWidget(parent), d_(std::make_unique<Impl>(this)) {}

void EditorWindow::addPage(QWidget* page, const QString& title) {
    if (!d_->pages) {
        d_->pages = new QTabWidget(this);
        d_->pages->setObjectName(QStringLiteral("editorPages"));
        d_->pages->setTabPosition(QTabWidget::South);
        layout()->replaceWidget(d_->tabs, d_->pages);
        d_->pages->addTab(d_->tabs, windowTitle());
    }
    d_->pages->addTab(page, title);
}

void EditorWindow::showPage(int index) {
    if (d_->pages) d_->pages->setCurrentIndex(index);
}

EditorWindow::~EditorWindow() {
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

int EditorWindow::slotCount() const {
    return d_->files.count();
}
int EditorWindow::currentSlot() const {
    return d_->files.current();
}
std::string EditorWindow::pathOf(int slot) const {
    return d_->files.pathOf(slot);
}

bool EditorWindow::isModified(int slot) const {
    const SlotView* v = d_->view(slot);
    return v && v->text->isModified();
}

int EditorWindow::findSlot(const std::string& path) const {
    return d_->files.find(path);
}
void EditorWindow::select(int slot) {
    d_->switchTo(slot);
}

bool EditorWindow::newFile() {
    const int slot = d_->files.addNew();
    if (slot == 0) return false;
    d_->addSlot(slot, nullptr);
    return true;
}

bool EditorWindow::openFile(const std::string& path) {
    std::error_code ec;
    if (d_->files.full() || !std::filesystem::is_regular_file(path, ec)) return false;
    std::string bytes;
    if (!readFileBytes(path, bytes)) return false;
    d_->addSlot(d_->files.add(path), &bytes);
    return true;
}

bool EditorWindow::reload(int slot) {
    SlotView* v = d_->view(slot);
    const std::string path = d_->files.pathOf(slot);
    std::error_code ec;
    if (!v || isNewFileName(path) || !std::filesystem::is_regular_file(path, ec)) return false;
    std::string bytes;
    if (!readFileBytes(path, bytes)) return false;
    // The user keeps their place: same caret and first line as far as the new text allows.
    const int firstLine = v->text->firstVisibleLine();
    const long caret = v->text->caretPosition();
    v->highlighted = false;
    v->text->setBytes(bytes);
    v->text->setCaretPosition(std::min(caret, v->text->length()));
    v->text->setFirstVisibleLine(firstLine);
    d_->showAllBookmarks();
    if (slot == d_->files.current()) {
        d_->refreshModifiedPanel();
        d_->refreshSizePanel();
    }
    emit stateChanged();
    return true;
}

bool EditorWindow::saveAs(int slot, const std::string& path) {
    SlotView* v = d_->view(slot);
    if (!v || path.empty()) return false;
    if (!writeFileAtomic(path, v->text->bytes())) return false;
    if (path != d_->files.pathOf(slot)) {
        d_->files.rename(slot, path);
        const QString name = QString::fromStdString(fileNameOf(path));
        d_->tabs->setTabText(slot - 1, name);
        d_->tabs->setTabToolTip(slot - 1, QString::fromStdString(path));
        v->text->setAccessibleName(name);
    }
    v->text->setModified(false);
    if (slot == d_->files.current()) d_->refreshModifiedPanel();
    emit stateChanged();
    return true;
}

void EditorWindow::closeCurrent() {
    const int slot = d_->files.current();
    if (slot == 0) return;
    d_->removeSlot(slot);
    if (d_->files.count() == 0) {
        d_->refreshCaretPanel();
        d_->refreshModifiedPanel();
        d_->refreshSizePanel();
        emit stateChanged();
        if (d_->listener) d_->listener->editorLastSlotClosed();
        return;
    }
    d_->switchTo(d_->files.current());
}

void EditorWindow::closeAll() {
    if (d_->files.count() == 0) return;
    while (d_->files.count() > 0)
        d_->removeSlot(d_->files.count());
    d_->marks.clearAll();
    d_->refreshCaretPanel();
    d_->refreshModifiedPanel();
    d_->refreshSizePanel();
    emit stateChanged();
    if (d_->listener) d_->listener->editorLastSlotClosed();
}

void EditorWindow::gotoLine(int slot, int line) {
    SlotView* v = d_->view(slot);
    if (!v) return;
    d_->switchTo(slot);
    v->text->caretToLine(line);
    v->text->centreLine(line);
}

void EditorWindow::selectLine(int line) {
    TextControl* text = d_->current();
    if (!text) return;
    line = std::clamp(line, 0, std::max(0, text->lines() - 1));
    const long start = text->lineStart(line);
    const long end = line + 1 < text->lines()
                         ? text->lineStart(line + 1)
                         : text->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
    text->SendScintilla(QsciScintillaBase::SCI_SETSEL, start, end);
    text->centreLine(line);
    d_->selectLinePending = true;
    d_->selectLineArmed = false;
}

void EditorWindow::applyFont(const EditorFont& font) {
    d_->font = editorQFont(font);
    for (SlotView& v : d_->views)
        v.text->applyEditorFont(d_->font);
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
    d_->marks.toggle(n, d_->files.current(), text->caretLine());
    d_->showAllBookmarks();
    emit stateChanged();
}

void EditorWindow::gotoBookmark(int n) {
    if (!d_->marks.isSet(n)) return;
    const Bookmark mark = d_->marks[n];
    gotoLine(mark.slot, mark.line);
}

bool EditorWindow::bookmark(int n, std::string* path, int* line) const {
    if (!d_->marks.isSet(n)) return false;
    if (path) *path = d_->files.pathOf(d_->marks[n].slot);
    if (line) *line = d_->marks[n].line;
    return true;
}

void EditorWindow::nextFile() {
    const int count = d_->files.count();
    if (count > 0) d_->switchTo(d_->files.current() % count + 1);
}

void EditorWindow::previousFile() {
    const int count = d_->files.count();
    if (count > 0) d_->switchTo((d_->files.current() + count - 2) % count + 1);
}

void EditorWindow::showFileListPopup(const QPoint& globalPos) {
    if (d_->files.count() == 0) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("fileListPopup"));
    menu.setAccessibleName(QString::fromStdString(TextOf(183)));
    d_->addFileEntries(menu);
    menu.exec(globalPos);
}

std::string EditorWindow::textOf(int slot) const {
    const SlotView* v = d_->view(slot);
    return v ? v->text->bytes() : std::string();
}

} // namespace zerka::gui
