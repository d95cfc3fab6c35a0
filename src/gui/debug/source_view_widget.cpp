#include "gui/debug/source_view_widget.h"

#include "gui/debug/accessible_windows.h"
#include "gui/editor/bookmark_keys.h"

#include "gui/debug/source_view_table.h"
#include "gui/editor/text_control.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

namespace {

// A checkable item of a pop-up menu.
QAction* addCheckable(QMenu* menu, const std::string& text, bool checked) {
    QAction* a = menu->addAction(QString::fromStdString(text));
    a->setCheckable(true);
    a->setChecked(checked);
    return a;
}

constexpr int kMarkColumnWidth = 36;
constexpr int kHintWidth = 49;
constexpr int kHintHeight = 25;
constexpr int kHintEdge = 10;

template <typename... Args, typename F>
std::function<void()> subscribe(Signal<Args...>& signal, F&& slot) {
    const auto id = signal.connect(std::forward<F>(slot));
    return [&signal, id] { signal.disconnect(id); };
}

// Ctrl+Shift+digit arrives as the shifted symbol on most layouts.
int digitOf(const QKeyEvent* e) {
    static const QString shifted = QStringLiteral(")!@#$%^&*(");
    const int i = shifted.indexOf(e->text());
    if (!e->text().isEmpty() && i >= 0) return i;
    return digitOfKey(e->key());
}

// The rows of a file: moving the current row brings it into view vertically only, so that a
// text column wider than the window never pushes the mark column out of sight.
class SourceTableView : public QTableView {
  public:
    void scrollTo(const QModelIndex& index, ScrollHint hint) override {
        const int x = horizontalScrollBar()->value();
        QTableView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(x);
    }
};

} // namespace

SourceViewWidget::SourceViewWidget(SourceViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model), tabs_(new QTabWidget(this)), hint_(new QLabel(this)),
      font_(editorQFont(EditorFont{})) {
    setWindowTitle(QStringLiteral("Source Code"));
    setAccessibleName(QStringLiteral("Source Code"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);
    tabs_->setDocumentMode(true);
    tabs_->setUsesScrollButtons(true);
    tabs_->setAccessibleName(QStringLiteral("Source files"));

    hint_->setAutoFillBackground(true);
    QPalette p = hint_->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::ToolTipBase));
    p.setColor(QPalette::WindowText, palette().color(QPalette::ToolTipText));
    hint_->setPalette(p);
    hint_->setFrameShape(QFrame::Box);
    hint_->setMinimumSize(kHintWidth, kHintHeight);
    hint_->setMargin(3);
    hint_->setAccessibleName(QStringLiteral("Value"));
    hint_->hide();

    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        hint_->hide();
        ensureView(index + 1);
        model_.setFrontFile(index + 1);
    });

    disconnect_.push_back(subscribe(model_.filesReset(), [this] { removeTabs(); }));
    disconnect_.push_back(subscribe(model_.fileAdded(), [this](int f) { addTab(f); }));
    disconnect_.push_back(subscribe(model_.tabToFront(), [this](int f) {
        if (f >= 1 && f <= tabs_->count()) tabs_->setCurrentIndex(f - 1);
    }));
    disconnect_.push_back(
        subscribe(model_.rowShown(), [this](int f, int32_t row) { showRow(f, row, true); }));
    disconnect_.push_back(
        subscribe(model_.rowCentred(), [this](int f, int32_t row) { showRow(f, row, false); }));
    disconnect_.push_back(subscribe(model_.highlightMoved(), [this] {
        updateFile(model_.highlightFile());
        updateFile(model_.CurrentFile());
    }));
    disconnect_.push_back(
        subscribe(model_.markChanged(), [this](int f, int32_t) { updateFile(f); }));
    disconnect_.push_back(subscribe(model_.dimmedChanged(), [this](bool) { refreshView(); }));
    disconnect_.push_back(subscribe(model_.countsChanged(), [this] { showCountColumns(); }));

    ApplyFont(EditorFont{});
    for (int f = 1; f <= model_.fileCount(); ++f)
        addTab(f);
    makeSourceViewAccessible(*this, model_);
}

SourceViewWidget::~SourceViewWidget() {
    for (auto& d : disconnect_)
        d();
}

QTableView* SourceViewWidget::view(int file) const {
    return file >= 1 && size_t(file) <= views_.size() ? views_[size_t(file - 1)] : nullptr;
}

void SourceViewWidget::refreshView() {
    if (QTableView* v = view(tabs_->currentIndex() + 1)) v->viewport()->update();
}

void SourceViewWidget::updateFile(int file) {
    if (QTableView* v = view(file)) v->viewport()->update();
}

void SourceViewWidget::removeTabs() {
    hint_->hide();
    // Without signals: the model is empty already, the tab switches need not reach it.
    const QSignalBlocker block(tabs_);
    tabs_->clear();
    qDeleteAll(pages_);
    pages_.clear();
    views_.clear();
}

void SourceViewWidget::addTab(int file) {
    if (file != int(pages_.size()) + 1 || !model_.validFile(file)) return;
    // The table is made when the tab is first shown: a build may bring 100 files.
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_.push_back(page);
    views_.push_back(nullptr);
    const QSignalBlocker block(tabs_);
    tabs_->addTab(page, QString::fromStdString(model_.caption(file)));
    tabs_->setTabToolTip(file - 1, QString::fromStdString(model_.file(file).path()));
    if (model_.CurrentFile() == file) tabs_->setCurrentIndex(file - 1);
    if (tabs_->currentIndex() == file - 1) ensureView(file);
}

QTableView* SourceViewWidget::ensureView(int file) {
    if (file < 1 || size_t(file) > pages_.size()) return nullptr;
    if (QTableView* existing = views_[size_t(file - 1)]) return existing;
    auto* v = new SourceTableView;
    auto* table = new SourceViewTable(model_, file, v);
    auto* delegate = new SourceViewDelegate(model_, file, v);
    if (words_) delegate->setWords(words_);
    v->setModel(table);
    v->setItemDelegate(delegate);
    // The count and cycle columns stand between the mark field and the text.
    v->horizontalHeader()->moveSection(SourceViewTable::kCountColumn, 1);
    v->horizontalHeader()->moveSection(SourceViewTable::kCyclesColumn, 2);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionMode(QAbstractItemView::NoSelection);
    // Tab leaves the view and Ctrl+Tab reaches the window area, as keyboard users expect.
    v->setTabKeyNavigation(false);
    v->setShowGrid(false);
    v->setWordWrap(false);
    v->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    v->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    v->verticalHeader()->hide();
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    showCountColumns(v);
    v->setContextMenuPolicy(Qt::DefaultContextMenu);
    v->setMouseTracking(true);
    v->viewport()->setMouseTracking(true);
    v->installEventFilter(this);
    v->viewport()->installEventFilter(this);
    v->setAccessibleName(QString::fromStdString(model_.caption(file)));
    v->setProperty("sourceFile", file);
    v->viewport()->setProperty("sourceFile", file);
    applyFontTo(v);

    connect(v, &QTableView::clicked, this,
            [this, file](const QModelIndex& index) { rowClicked(file, index.row() + 1); });
    connect(v->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, file, v](const QModelIndex& current) {
                if (!current.isValid()) return;
                model_.setCursorRow(file, current.row() + 1);
                v->viewport()->update();
            });
    connect(v->verticalScrollBar(), &QScrollBar::valueChanged, hint_, &QWidget::hide);
    connect(v->horizontalScrollBar(), &QScrollBar::valueChanged, hint_, &QWidget::hide);

    views_[size_t(file - 1)] = v;
    pages_[size_t(file - 1)]->layout()->addWidget(v);
    const int32_t cursor = model_.cursorRow(file);
    if (cursor > 0) {
        const QSignalBlocker quiet(v->selectionModel());
        v->selectionModel()->setCurrentIndex(table->index(cursor - 1, 1),
                                             QItemSelectionModel::NoUpdate);
    }
    return v;
}

void SourceViewWidget::applyFontTo(QTableView* v) {
    v->setFont(font_);
    const QFontMetrics fm(font_);
    v->verticalHeader()->setMinimumSectionSize(1);
    v->verticalHeader()->setDefaultSectionSize(rowHeight_);
    v->setColumnWidth(0,
                      std::max(kMarkColumnWidth, fm.horizontalAdvance(QStringLiteral("◆ 0")) + 8));
    const int file = v->property("sourceFile").toInt();
    const int textWidth = int(model_.validFile(file) ? model_.file(file).widestRow() + 2 : 80) *
                              fm.horizontalAdvance(QLatin1Char('M')) +
                          SourceViewDelegate::kTextPadding;
    v->setColumnWidth(1, std::max(textWidth, 400));
    const int countWidth = fm.horizontalAdvance(QStringLiteral("000000000")) + 8;
    v->setColumnWidth(SourceViewTable::kCountColumn, countWidth);
    v->setColumnWidth(SourceViewTable::kCyclesColumn, countWidth);
    v->horizontalHeader()->setStretchLastSection(true);
}

void SourceViewWidget::ApplyFont(const EditorFont& font) {
    font_ = editorQFont(font);
    const int size = font.size > 0 ? font.size : 10;
    // The row height rule of the grid: size + size/4 + size/2 + 2 pixels, at least the font's.
    rowHeight_ = std::max(size + size / 4 + size / 2 + 2, QFontMetrics(font_).height() + 2);
    for (QTableView* v : views_)
        if (v) applyFontTo(v);
}

void SourceViewWidget::setWords(std::shared_ptr<const AsmWords> words) {
    words_ = std::move(words);
    for (QTableView* v : views_) {
        if (!v) continue;
        if (auto* d = qobject_cast<SourceViewDelegate*>(v->itemDelegate())) d->setWords(words_);
        v->viewport()->update();
    }
}

void SourceViewWidget::setDebugMode(bool on) {
    debugMode_ = on;
    if (!on) hint_->hide();
}

void SourceViewWidget::showRow(int file, int32_t row, bool select) {
    QTableView* v = ensureView(file);
    if (!v || row < 1) return;
    if (tabs_->currentIndex() != file - 1) tabs_->setCurrentIndex(file - 1);
    if (select) {
        const QSignalBlocker block(v->selectionModel());
        v->selectionModel()->setCurrentIndex(v->model()->index(row - 1, 1),
                                             QItemSelectionModel::NoUpdate);
    }
    // Row in the middle: top row = line - visible rows / 2 - 1, not above the first.
    const int visible = std::max(1, v->viewport()->height() / std::max(1, rowHeight_));
    v->verticalScrollBar()->setValue(std::max(0, int(row) - visible / 2 - 1));
    v->viewport()->update();
}

void SourceViewWidget::rowClicked(int file, int32_t row) {
    model_.setCursorRow(file, row);
    if (!model_.validFile(file) || !model_.file(file).validRow(row)) return;
    const uint32_t address = model_.file(file).address(row);
    if (address < kNoRowAddress) Q_EMIT addressSelected(address);
}

int SourceViewWidget::fileOf(QObject* watched) const {
    const QVariant v = watched->property("sourceFile");
    return v.isValid() ? v.toInt() : 0;
}

void SourceViewWidget::hoverAt(int file, const QPoint& pos) {
    QTableView* v = view(file);
    if (!v || !debugMode_) {
        hint_->hide();
        return;
    }
    const QModelIndex index = v->indexAt(pos);
    const QRect area = v->viewport()->rect();
    if (!index.isValid() || index.column() != 1 || pos.x() > area.right() - kHintEdge ||
        pos.y() > area.bottom() - kHintEdge) {
        hint_->hide();
        return;
    }
    const QFontMetrics fm(font_);
    const int charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    const int x = pos.x() - v->columnViewportPosition(1) - SourceViewDelegate::kTextPadding;
    if (x < 0) {
        hint_->hide();
        return;
    }
    const auto text = model_.valueHint(file, index.row() + 1, x / charWidth);
    if (!text) {
        hint_->hide();
        return;
    }
    hint_->setText(QString::fromStdString(*text));
    hint_->adjustSize();
    QPoint at = v->viewport()->mapTo(this, pos) + QPoint(8, 12);
    at.setX(std::max(0, std::min(at.x(), width() - hint_->width() - 40)));
    hint_->move(at);
    hint_->raise();
    hint_->show();
}

bool SourceViewWidget::key(int file, QKeyEvent* e) {
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (!(mods & Qt::ControlModifier)) return false;
    if (e->key() == Qt::Key_Home && mods == Qt::ControlModifier) {
        if (QTableView* v = view(file)) {
            v->selectionModel()->setCurrentIndex(v->model()->index(0, 1),
                                                 QItemSelectionModel::NoUpdate);
            v->scrollToTop();
        }
        return true;
    }
    if (e->key() == Qt::Key_F && mods == Qt::ControlModifier) {
        findDialog();
        return true;
    }
    if (e->key() == Qt::Key_F9 && mods == Qt::ControlModifier) {
        Q_EMIT memoryCheckRequested();
        return true;
    }
    const int digit = digitOf(e);
    if (digit < 0) return false;
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        model_.SetBookmark(digit, file, model_.cursorRow(file));
        return true;
    }
    if (mods == Qt::ControlModifier) {
        model_.GoToBookmark(digit);
        return true;
    }
    return false;
}

void SourceViewWidget::popup(int file, const QPoint& globalPos) {
    hint_->hide();
    const SourceMenu m = model_.popupMenu();
    QMenu menu(this);
    for (const auto& item : m.files) {
        const int target = item.file;
        menu.addAction(QString::fromStdString(item.text), this,
                       [this, target] { tabs_->setCurrentIndex(target - 1); });
    }
    if (!m.files.empty()) menu.addSeparator();
    menu.addAction(QStringLiteral("Find...\tCtrl+F"), this, [this] { findDialog(); });
    menu.addSeparator();
    QMenu* set = menu.addMenu(QString::fromStdString(m.setCaption));
    for (const auto& item : m.set) {
        const int n = item.number;
        connect(addCheckable(set, item.text, item.checked), &QAction::triggered, this,
                [this, n, file] { model_.SetBookmark(n, file, model_.cursorRow(file)); });
    }
    menu.addSeparator();
    connect(addCheckable(&menu, "Show Counts", model_.showCounts()), &QAction::toggled, this,
            [this](bool on) { model_.setShowCounts(on); });
    connect(addCheckable(&menu, "Show Cycles", model_.showCycles()), &QAction::toggled, this,
            [this](bool on) { model_.setShowCycles(on); });
    menu.addAction(QStringLiteral("Clear Counts"), this, [this] { model_.ClearCounts(); });
    menu.addAction(QStringLiteral("Save Coverage..."), this, [this] { saveCoverage(); });
    menu.addSeparator();
    QMenu* go = menu.addMenu(QString::fromStdString(m.gotoCaption));
    for (const auto& item : m.go) {
        // Only a bookmark that is set can be gone to.
        QAction* a = addCheckable(go, item.text, item.checked);
        a->setEnabled(item.checked);
        const int n = item.number;
        connect(a, &QAction::triggered, this, [this, n] { model_.GoToBookmark(n); });
    }
    menu.exec(globalPos);
}

bool SourceViewWidget::eventFilter(QObject* watched, QEvent* event) {
    const int file = fileOf(watched);
    if (file == 0) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (key(file, static_cast<QKeyEvent*>(event))) return true;
        break;
    case QEvent::MouseMove:
        if (QTableView* v = view(file); v && watched == v->viewport())
            hoverAt(file, static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::MouseButtonDblClick:
        // Handled here rather than by the view's signal, which needs the press on the same
        // cell first.
        if (QTableView* v = view(file); v && watched == v->viewport()) {
            const QModelIndex index =
                v->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (index.isValid() && index.column() == 0) {
                model_.ToggleBreakpointAtRow(file, index.row() + 1);
                return true;
            }
        }
        break;
    case QEvent::Leave:
    case QEvent::Wheel:
        hint_->hide();
        break;
    case QEvent::ContextMenu:
        popup(file, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zerka::gui

namespace zerka::gui {

bool SourceViewWidget::findText(const QString& text) {
    const int file = tabs_->currentIndex() + 1;
    if (text.isEmpty() || !model_.validFile(file)) return false;
    lastFind_ = text;
    const std::string needle = text.toLower().toStdString();
    const int32_t rows = model_.rowCount(file);
    const int32_t start = std::max<int32_t>(model_.cursorRow(file), 0);
    for (int32_t i = 1; i <= rows; ++i) {
        const int32_t row = (start + i - 1) % rows + 1;
        std::string line(model_.rowText(file, row));
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (line.find(needle) == std::string::npos) continue;
        model_.setCursorRow(file, row);
        showRow(file, row, true);
        return true;
    }
    return false;
}

void SourceViewWidget::showCountColumns() {
    for (QTableView* v : views_)
        if (v) showCountColumns(v);
}

void SourceViewWidget::showCountColumns(QTableView* v) {
    v->setColumnHidden(SourceViewTable::kCountColumn, !model_.showCounts());
    v->setColumnHidden(SourceViewTable::kCyclesColumn, !model_.showCycles());
    // Two columns of bare numbers need their captions; the plain source needs none.
    v->horizontalHeader()->setVisible(model_.showCounts() || model_.showCycles());
    v->viewport()->update();
}

void SourceViewWidget::saveCoverage() {
    QFileDialog dialog(this, QStringLiteral("Save Coverage"));
    dialog.setAccessibleName(QStringLiteral("Save Coverage"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(
        {QStringLiteral("lcov trace files (*.info)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("info"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    std::string error;
    if (!model_.SaveCoverage(dialog.selectedFiles().first().toStdString(), error))
        QMessageBox::warning(this, QStringLiteral("Save Coverage"), QString::fromStdString(error));
}

void SourceViewWidget::findDialog() {
    // Centred on the source view, as its own parent.
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SourceFind"));
    dialog.setWindowTitle(QStringLiteral("Find"));
    dialog.setAccessibleName(QStringLiteral("Find in source"));
    dialog.setLabelText(QStringLiteral("Find:"));
    dialog.setTextValue(lastFind_);
    if (dialog.exec() == QDialog::Accepted && !findText(dialog.textValue())) QApplication::beep();
}

void SourceViewWidget::findNext() {
    if (lastFind_.isEmpty())
        findDialog();
    else if (!findText(lastFind_))
        QApplication::beep();
}

void SourceViewWidget::nextFile() {
    if (const int n = tabs_->count(); n > 0)
        tabs_->setCurrentIndex((tabs_->currentIndex() + 1) % n);
}

void SourceViewWidget::previousFile() {
    if (const int n = tabs_->count(); n > 0)
        tabs_->setCurrentIndex((tabs_->currentIndex() + n - 1) % n);
}

void SourceViewWidget::showFileMenu(const QPoint& globalPos) {
    hint_->hide();
    const SourceMenu m = model_.popupMenu();
    if (m.files.empty()) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("sourceFileMenu"));
    menu.setAccessibleName(QStringLiteral("Source files"));
    for (const auto& item : m.files) {
        const int target = item.file;
        menu.addAction(QString::fromStdString(item.text), this,
                       [this, target] { tabs_->setCurrentIndex(target - 1); });
    }
    menu.exec(globalPos);
}

void SourceViewWidget::setBookmark(int n) {
    const int file = tabs_->currentIndex() + 1;
    if (model_.validFile(file)) model_.SetBookmark(n, file, model_.cursorRow(file));
}

void SourceViewWidget::gotoBookmark(int n) {
    model_.GoToBookmark(n);
}

bool SourceViewWidget::hasBookmark(int n) const {
    return model_.HasBookmark(n);
}

} // namespace zerka::gui
