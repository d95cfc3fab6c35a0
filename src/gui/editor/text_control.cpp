#include "gui/editor/text_control.h"

#include "gui/editor/asm_lexer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

namespace zerka::gui {

namespace {

constexpr int kNumberMargin = 0;
constexpr int kBookmarkMargin = 1;
constexpr int kHighlightColour = 8; // indicator: blue text
constexpr int kHighlightLine = 9;   // indicator: blue underline
const QColor kGutterGrey(0xC0, 0xC0, 0xC0);
const QColor kBlue(0x00, 0x00, 0xFF);

bool validUtf8(const std::string& s) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int more = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0 && c >= 0xC2)
            more = 1;
        else if ((c & 0xF0) == 0xE0)
            more = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
            more = 3;
        else
            return false;
        if (i + more >= n) return false;
        for (int k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += more + 1;
    }
    return true;
}

// A quiet text gets a plain accessible object (name, role, state, focus). QScintilla's own one
// counts every character before the caret on each caret move to tell screen readers where the
// caret is. Factories installed last are asked first, so this one comes before QScintilla's.
QAccessibleInterface* quietTextAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String(TextControl::staticMetaObject.className())) return nullptr;
    auto* text = static_cast<TextControl*>(object);
    if (!text->quietEdits()) return nullptr;
    return new QAccessibleWidget(text, QAccessible::EditableText);
}

} // namespace

QFont editorQFont(const EditorFont& font) {
    QFont f;
    if (QFontDatabase::hasFamily(QString::fromStdString(font.name)))
        f = QFont(QString::fromStdString(font.name));
    else
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSize(font.size > 0 ? font.size : 10);
    f.setBold(font.style & 1);
    f.setItalic(font.style & 2);
    f.setUnderline(font.style & 4);
    f.setStrikeOut(font.style & 8);
    f.setFixedPitch(true);
    return f;
}

TextControl::TextControl(QWidget* parent) : QsciScintilla(parent), lexer_(new AsmLexer(this)) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(quietTextAccessible);
        return true;
    }();
    (void)factoryInstalled;
    shownAt_.fill(-1);
    setLexer(lexer_);
    setUtf8(true);
    setEolMode(EolUnix);
    setWrapMode(WrapNone);
    setIndentationsUseTabs(true);
    setTabWidth(8);
    setAutoIndent(false); // the editor's own rule runs after Enter
    SendScintilla(SCI_SETHSCROLLBAR, 1);
    SendScintilla(SCI_SETVSCROLLBAR, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    SendScintilla(SCI_SETSELALPHA, 256); // selection stays visible without focus
    setSelectionBackgroundColor(QColor(0xAD, 0xD6, 0xFF));
    setCaretLineVisible(true);
    setCaretLineBackgroundColor(QColor(0xF3, 0xF6, 0xFA));

    setMarginType(kNumberMargin, NumberMargin);
    setMarginsForegroundColor(QColor(0x80, 0x80, 0x80));
    setMarginsBackgroundColor(QColor(0xF0, 0xF0, 0xF0));
    // The bookmark gutter: a text margin, each set bookmark its digit in blue on grey.
    setMarginType(kBookmarkMargin, TextMargin);
    setMarginWidth(kBookmarkMargin, 18);
    setMarginSensitivity(kBookmarkMargin, false);
    bookmarkStyle_.setColor(kBlue);
    bookmarkStyle_.setPaper(kGutterGrey);

    indicatorDefine(TextColorIndicator, kHighlightColour);
    setIndicatorForegroundColor(kBlue, kHighlightColour);
    indicatorDefine(PlainIndicator, kHighlightLine);
    setIndicatorForegroundColor(kBlue, kHighlightLine);
    SendScintilla(SCI_INDICSETUNDER, kHighlightLine, 0L);
    indicatorDefine(SquiggleIndicator, kDiagnosticIndicator);
    setIndicatorForegroundColor(QColor(0xE0, 0x00, 0x00), kDiagnosticIndicator);
    SendScintilla(SCI_SETMOUSEDWELLTIME, 500L);
    updateLineNumberWidth();

    fullEventMask_ = SendScintilla(SCI_GETMODEVENTMASK);
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int, int linesAdded, int, int, int, int,
                   int) { onScintillaModified(position, type, linesAdded); });
    // Typing reports its change before the editor reacts to the typed character.
    connect(this, &QsciScintillaBase::SCN_CHARADDED, this, [this](int) { flushEdits(); });
}

void TextControl::onScintillaModified(int position, int type, int linesAdded) {
    if (quiet_) {
        // Only the notices before a change arrive: note where it happens and how many lines
        // there were; the next notice (or the flush) shows how many it added.
        if (!(type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE))) return;
        const int line = lineOfPosition(position);
        pending_.push_back({line, static_cast<int>(position - lineStart(line)), lines()});
        if (!flushQueued_) {
            flushQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                flushQueued_ = false;
                flushEdits();
            });
        }
        return;
    }
    if (!(type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT))) return;
    const int line = lineOfPosition(position);
    Q_EMIT edited(line, static_cast<int>(position - lineStart(line)), linesAdded);
    chooseEditNotifications(length());
}

void TextControl::flushEdits() {
    if (pending_.empty()) return;
    std::vector<PendingEdit> edits;
    edits.swap(pending_);
    batchFlush_ = edits.size() > 1;
    for (size_t i = 0; i < edits.size(); ++i) {
        const int linesAfter = i + 1 < edits.size() ? edits[i + 1].linesBefore : lines();
        Q_EMIT edited(edits[i].line, edits[i].column, linesAfter - edits[i].linesBefore);
    }
    batchFlush_ = false;
    chooseEditNotifications(length());
}

void TextControl::chooseEditNotifications(long n) {
    // Half the limit back on, so a text near it does not switch with every key.
    const bool quiet = quiet_ ? n >= kQuietEditLength / 2 : n >= kQuietEditLength;
    if (quiet == quiet_) return;
    flushEdits();
    quiet_ = quiet;
    // The mask passes a notice when any of its bits match, the "performed by" bits included, so
    // the quiet mask holds the two notices before a change and nothing else.
    SendScintilla(SCI_SETMODEVENTMASK,
                  quiet ? long(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE) : fullEventMask_);
    // The accessible object made for the other mode goes; the next one asked for fits.
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

void TextControl::keyPressEvent(QKeyEvent* event) {
    QsciScintilla::keyPressEvent(event);
    flushEdits();
}

void TextControl::inputMethodEvent(QInputMethodEvent* event) {
    QsciScintilla::inputMethodEvent(event);
    flushEdits();
}

void TextControl::setBytes(const std::string& bytes) {
    setUtf8(validUtf8(bytes));
    const size_t crlf = bytes.find("\r\n");
    const size_t lf = bytes.find('\n');
    setEolMode(crlf != std::string::npos && crlf + 1 == lf ? EolWindows : EolUnix);
    const bool wasReadOnly = isReadOnly();
    setReadOnly(false);
    // A long text is loaded quietly too: the accessibility layer would copy all of it.
    chooseEditNotifications(std::max(length(), static_cast<long>(bytes.size())));
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    setReadOnly(wasReadOnly);
    flushEdits();
    chooseEditNotifications(length());
    updateLineNumberWidth();
}

std::string TextControl::bytes() const {
    const long n = length();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    SendScintilla(SCI_GETTEXT, static_cast<unsigned long>(n + 1), out.data());
    out.resize(static_cast<size_t>(n));
    return out;
}

long TextControl::length() const {
    return SendScintilla(SCI_GETLENGTH);
}

long TextControl::lineStart(int line) const {
    return SendScintilla(SCI_POSITIONFROMLINE, line);
}

int TextControl::lineOfPosition(long position) const {
    return static_cast<int>(SendScintilla(SCI_LINEFROMPOSITION, position));
}

std::string TextControl::lineBytes(int line) const {
    const long start = lineStart(line);
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, line);
    if (start < 0 || end < start) return {};
    std::string out(static_cast<size_t>(end - start) + 1, '\0');
    SendScintilla(SCI_GETTEXTRANGE, start, end, out.data());
    out.resize(static_cast<size_t>(end - start));
    return out;
}

long TextControl::caretPosition() const {
    return SendScintilla(SCI_GETCURRENTPOS);
}

void TextControl::setCaretPosition(long position) {
    SendScintilla(SCI_SETEMPTYSELECTION, position);
}

int TextControl::caretLine() const {
    return lineOfPosition(caretPosition());
}

bool TextControl::hasSelectedText() const {
    return SendScintilla(SCI_GETSELECTIONSTART) != SendScintilla(SCI_GETSELECTIONEND);
}

void TextControl::replaceRange(long start, long end, const std::string& bytes) {
    SendScintilla(SCI_SETTARGETSTART, start);
    SendScintilla(SCI_SETTARGETEND, end);
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()), bytes.data());
}

void TextControl::caretToLine(int line) {
    line = std::clamp(line, 0, std::max(0, lines() - 1));
    setCaretPosition(lineStart(line));
}

void TextControl::centreLine(int line) {
    line = std::clamp(line, 0, std::max(0, lines() - 1));
    const long visible = SendScintilla(SCI_LINESONSCREEN);
    SendScintilla(SCI_SETFIRSTVISIBLELINE, std::max(0L, line - visible / 2));
}

long TextControl::searchForward(const std::string& needle, long from, bool matchCase,
                                bool wholeWord, long* end) const {
    if (needle.empty()) return -1;
    int flags = 0;
    if (matchCase) flags |= SCFIND_MATCHCASE;
    if (wholeWord) flags |= SCFIND_WHOLEWORD;
    // The target is part of the control's state, but moving it changes nothing visible.
    auto* self = const_cast<TextControl*>(this);
    self->SendScintilla(SCI_SETSEARCHFLAGS, flags);
    self->SendScintilla(SCI_SETTARGETSTART, from);
    self->SendScintilla(SCI_SETTARGETEND, length());
    const long found = self->SendScintilla(
        SCI_SEARCHINTARGET, static_cast<unsigned long>(needle.size()), needle.data());
    if (found >= 0 && end) *end = SendScintilla(SCI_GETTARGETEND);
    return found;
}

std::string TextControl::encode(const QString& text) const {
    return isUtf8() ? text.toStdString() : text.toLatin1().toStdString();
}

QString TextControl::decode(const std::string& bytes) const {
    return isUtf8() ? QString::fromStdString(bytes)
                    : QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void TextControl::showBookmarks(const Bookmarks& marks, int slot) {
    clearMarginText();
    for (int n = 0; n < Bookmarks::kCount; ++n) {
        shownAt_[n] = -1;
        if (marks.isSet(n) && marks[n].slot == slot) {
            setMarginText(marks[n].line, QStringLiteral(" %1").arg(n), bookmarkStyle_);
            shownAt_[n] = marks[n].line;
        }
    }
}

void TextControl::moveBookmarks(const Bookmarks& marks, int slot, int line, int delta) {
    if (batchFlush_) {
        // The control has already carried the digits over every change of the batch.
        showBookmarks(marks, slot);
        return;
    }
    const int count = lines();
    auto clearLine = [&](int l) {
        if (l >= 0 && l < count) clearMarginText(l);
    };
    for (int n = 0; n < Bookmarks::kCount; ++n) {
        if (shownAt_[n] < 0) continue;
        // The control carries line data along with the text; the digit is on one of these.
        for (int l : {shownAt_[n], shownAt_[n] + delta, line, line + 1})
            clearLine(l);
        shownAt_[n] = -1;
    }
    for (int n = 0; n < Bookmarks::kCount; ++n) {
        if (marks.isSet(n) && marks[n].slot == slot) {
            setMarginText(marks[n].line, QStringLiteral(" %1").arg(n), bookmarkStyle_);
            shownAt_[n] = marks[n].line;
        }
    }
}

void TextControl::setFindHighlight(long start, long len) {
    for (int indicator : {kHighlightColour, kHighlightLine}) {
        SendScintilla(SCI_SETINDICATORCURRENT, indicator);
        SendScintilla(SCI_INDICATORFILLRANGE, start, len);
    }
}

void TextControl::clearFindHighlight(long start, long len) {
    for (int indicator : {kHighlightColour, kHighlightLine}) {
        SendScintilla(SCI_SETINDICATORCURRENT, indicator);
        SendScintilla(SCI_INDICATORCLEARRANGE, start, len);
    }
}

void TextControl::showDiagnostics(const std::vector<std::pair<long, long>>& ranges) {
    SendScintilla(SCI_SETINDICATORCURRENT, kDiagnosticIndicator);
    SendScintilla(SCI_INDICATORCLEARRANGE, 0L, length());
    for (const auto& [start, end] : ranges)
        SendScintilla(SCI_INDICATORFILLRANGE, start, std::max(1L, end - start));
}

void TextControl::applyEditorFont(const QFont& font) {
    lexer_->setDefaultFont(font);
    lexer_->setFont(font, -1);
    setMarginsFont(font);
    bookmarkStyle_.setFont(font);
    numberDigits_ = 0;
    updateLineNumberWidth();
}

void TextControl::setWords(std::shared_ptr<const AsmWords> words) {
    lexer_->setWords(std::move(words));
}

void TextControl::updateLineNumberWidth() {
    int digits = 3;
    for (int n = lines(); n >= 1000; n /= 10)
        ++digits;
    if (digits == numberDigits_) return;
    numberDigits_ = digits;
    setMarginWidth(kNumberMargin, QString(digits + 1, QLatin1Char('9')));
}

std::string_view ControlBuffer::bytes() const {
    if (!control_) return {};
    const long n = control_->length();
    // The control's text in one piece (the gap moves to the end, nothing is copied).
    const auto* p = reinterpret_cast<const char*>(
        control_->SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    return p ? std::string_view(p, static_cast<size_t>(n)) : std::string_view();
}

void ControlBuffer::load(const std::string& bytes) {
    if (!control_) return;
    const int firstLine = control_->firstVisibleLine();
    const long caret = control_->caretPosition();
    control_->setBytes(bytes);
    control_->setCaretPosition(std::min(caret, control_->length()));
    control_->setFirstVisibleLine(firstLine);
}

void ControlBuffer::replace(long start, long end, std::string_view with) {
    if (!control_) return;
    control_->replaceRange(start, end, std::string(with));
    control_->setCaretPosition(start + static_cast<long>(with.size()));
}

void ControlBuffer::beginUndoGroup() {
    if (control_) control_->beginUndoAction();
}

void ControlBuffer::endUndoGroup() {
    if (control_) control_->endUndoAction();
}

bool ControlBuffer::undo() {
    if (!control_ || !control_->isUndoAvailable()) return false;
    control_->undo();
    return true;
}

bool ControlBuffer::modified() const {
    return control_ && control_->isModified();
}

void ControlBuffer::setSavePoint() {
    if (control_) control_->setModified(false);
}

long ControlBuffer::selectionStart() const {
    return control_ ? control_->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART) : 0;
}

long ControlBuffer::selectionEnd() const {
    return control_ ? control_->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND) : 0;
}

void ControlBuffer::select(long anchor, long caret) {
    if (control_) control_->SendScintilla(QsciScintillaBase::SCI_SETSEL, anchor, caret);
}

} // namespace zerka::gui
