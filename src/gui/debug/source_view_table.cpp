#include "gui/debug/source_view_table.h"

#include "gui/debug/accessible_windows.h"
#include "gui/debug/palette_roles.h"
#include "gui/editor/asm_lexer.h"

#include <QPainter>

#include <array>

namespace zerka::gui {

namespace {

QString fromBytes(std::string_view s) {
    // Sources are bytes: UTF-8 when they are, Latin-1 otherwise.
    QString text = QString::fromUtf8(s.data(), qsizetype(s.size()));
    if (text.contains(QChar::ReplacementCharacter))
        text = QString::fromLatin1(s.data(), qsizetype(s.size()));
    return text;
}

const QColor kNeverRan(0xFF, 0xDD, 0xDD);
const QColor kCountPaper(0xF2, 0xF2, 0xF2);

// The editor's syntax colours, read once from its lexer.
const QColor& tokenColour(AsmToken kind) {
    static const std::array<QColor, kAsmTokenKinds> colours = [] {
        std::array<QColor, kAsmTokenKinds> c;
        const AsmLexer lexer;
        for (int i = 0; i < kAsmTokenKinds; ++i)
            c[size_t(i)] = lexer.defaultColor(i);
        return c;
    }();
    return colours[size_t(kind)];
}

} // namespace

SourceViewTable::SourceViewTable(const SourceViewModel& model, int file, QObject* parent)
    : QAbstractTableModel(parent), model_(model), file_(file) {}

int SourceViewTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : model_.rowCount(file_);
}

int SourceViewTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant SourceViewTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int32_t row = index.row() + 1;
    if (role == Qt::TextAlignmentRole && index.column() >= kCountColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return sourceCellAccessibleData(model_, file_, row, index.column(), role);
    switch (index.column()) {
    case 0:
        return QString::fromStdString(model_.markText(file_, row));
    case kCountColumn:
        return QString::fromStdString(model_.countText(file_, row));
    case kCyclesColumn:
        return QString::fromStdString(model_.cyclesText(file_, row));
    default:
        return fromBytes(model_.rowText(file_, row));
    }
}

QVariant SourceViewTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case 0:
        return QStringLiteral("Mark");
    case kCountColumn:
        return QStringLiteral("Count");
    case kCyclesColumn:
        return QStringLiteral("Cycles");
    default:
        return QStringLiteral("Source");
    }
}

SourceViewDelegate::SourceViewDelegate(const SourceViewModel& model, int file, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), file_(file),
      words_(std::make_shared<AsmWords>(std::vector<std::string>{}, standardDirectives())) {}

void SourceViewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QRect r = option.rect;
    const int32_t row = index.row() + 1;
    painter->save();
    painter->setFont(option.font);
    const QFontMetrics fm(option.font);
    const int baseline = r.top() + (r.height() + fm.ascent() - fm.descent()) / 2;
    const QPalette& palette = option.palette;
    if (index.column() == 0) {
        const QColor field = rolePaint(CellRole::Header, palette).background;
        painter->fillRect(r, field);
        painter->setPen(readableOn(QColor(255, 0, 0), field));
        painter->drawText(r.adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                          QString::fromStdString(model_.markText(file_, row)));
        painter->restore();
        return;
    }
    // Lines with code that never ran are tinted while the counts are shown.
    const bool tint = (model_.showCounts() || model_.showCycles()) && model_.neverRan(file_, row);
    if (index.column() >= SourceViewTable::kCountColumn) {
        painter->fillRect(r, tint ? kNeverRan : kCountPaper);
        painter->setPen(Qt::black);
        const std::string text = index.column() == SourceViewTable::kCountColumn
                                     ? model_.countText(file_, row)
                                     : model_.cyclesText(file_, row);
        painter->drawText(r.adjusted(0, 0, -kTextPadding, 0), Qt::AlignVCenter | Qt::AlignRight,
                          QString::fromStdString(text));
        painter->restore();
        return;
    }
    const SourceRowColour colour = model_.rowColour(file_, row);
    QColor paper = palette.color(QPalette::Base);
    QColor ink;
    auto take = [&](CellRole role) {
        const RolePaint p = rolePaint(role, palette);
        paper = p.background;
        ink = p.text;
    };
    switch (colour) {
    case SourceRowColour::HighlightSimulator:
        take(CellRole::CurrentSim);
        break;
    case SourceRowColour::HighlightEmulator:
        take(CellRole::CurrentEmu);
        break;
    case SourceRowColour::Breakpoint:
        take(CellRole::Breakpoint);
        break;
    case SourceRowColour::Dimmed:
        take(CellRole::Busy);
        break;
    case SourceRowColour::Normal:
        break;
    }
    if (colour == SourceRowColour::Normal || colour == SourceRowColour::Dimmed) {
        if (model_.CurrentFile() == file_ && model_.cursorRow(file_) == row) {
            paper = cursorLineColour(palette);
            if (ink.isValid()) ink = readableOn(ink, paper);
        } else if (tint) {
            paper = kNeverRan;
        }
    }
    painter->fillRect(r, paper);

    const std::string_view text = model_.rowText(file_, row);
    int x = r.left() + kTextPadding;
    if (ink.isValid()) {
        painter->setPen(ink);
        painter->drawText(x, baseline, fromBytes(text));
    } else {
        // Syntax colours, run by run.
        size_t at = 0;
        scanAsmLine(text, *words_, [&](size_t length, AsmToken kind) {
            const QString run = fromBytes(text.substr(at, length));
            painter->setPen(readableOn(tokenColour(kind), paper));
            painter->drawText(x, baseline, run);
            x += fm.horizontalAdvance(run);
            at += length;
        });
    }
    painter->restore();
}

} // namespace zerka::gui
