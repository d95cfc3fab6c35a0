#include "gui/programmer/read_result_view.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QScrollBar>

namespace zerka::gui {

namespace {

QString hex(uint32_t value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

} // namespace

ReadResultView::ReadResultView(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("ReadResultView"));
    setAccessibleName(QStringLiteral("Program Memory"));
    setWindowTitle(QStringLiteral("Program Memory"));
    setColumnCount(kWordsPerRow);
    QStringList columns;
    for (int c = 0; c < kWordsPerRow; ++c)
        columns << hex(uint32_t(c), 1);
    setHorizontalHeaderLabels(columns);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setAlternatingRowColors(true);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setDefaultSectionSize(
        fontMetrics().horizontalAdvance(QStringLiteral("FFFF")) + 12);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void ReadResultView::clearWords(int rows) {
    clearContents();
    setRowCount(std::max(rows, 0));
    QStringList labels;
    for (int r = 0; r < rowCount(); ++r)
        labels << hex(uint32_t(r * kWordsPerRow), 4);
    setVerticalHeaderLabels(labels);
}

void ReadResultView::showWords(const std::vector<uint16_t>& words) {
    const int rows = int((words.size() + kWordsPerRow - 1) / kWordsPerRow);
    // A large grid is filled without repainting cell by cell.
    setUpdatesEnabled(false);
    clearWords(rows);
    for (size_t k = 0; k < words.size(); ++k) {
        auto* item = new QTableWidgetItem(hex(words[k], 4));
        item->setTextAlignment(Qt::AlignCenter);
        setItem(int(k / kWordsPerRow), int(k % kWordsPerRow), item);
    }
    setUpdatesEnabled(true);
    if (rows > 0) scrollToTop();
}

QSize ReadResultView::sizeHint() const {
    const int address = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16;
    const int width = address + kWordsPerRow * horizontalHeader()->defaultSectionSize() +
                      verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
    return {width, horizontalHeader()->sizeHint().height() +
                       16 * verticalHeader()->defaultSectionSize() + 2 * frameWidth()};
}

QString ReadResultView::wordText(int index) const {
    const QTableWidgetItem* i = item(index / kWordsPerRow, index % kWordsPerRow);
    return i ? i->text() : QString();
}

} // namespace zerka::gui
