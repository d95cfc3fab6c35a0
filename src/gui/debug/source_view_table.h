#pragma once
// One tab of the source view: a Qt table model reading the rows straight from the
// SourceViewModel (nothing is copied), and the delegate that paints the mark field and the
// coloured source text.
#include "editor/asm_tokens.h"
#include "views/source_view.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <memory>

namespace zerka::gui {

class SourceViewTable : public QAbstractTableModel {
    Q_OBJECT
  public:
    SourceViewTable(const SourceViewModel& model, int file, QObject* parent = nullptr);

    // Columns: 0 the mark field, 1 the source text, then the optional count and cycle columns
    // (the view shows them before the text).
    static constexpr int kCountColumn = 2;
    static constexpr int kCyclesColumn = 3;
    static constexpr int kColumns = 4;

    int file() const { return file_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const SourceViewModel& model_;
    int file_;
};

// Colours of the rows: mark field silver with red text, highlighted row green (simulator) or
// blue (emulator) with white text, breakpoint rows red on white, grey text while running; the
// rest in the editor's syntax colours.
class SourceViewDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    SourceViewDelegate(const SourceViewModel& model, int file, QObject* parent = nullptr);
    void setWords(std::shared_ptr<const AsmWords> words) { words_ = std::move(words); }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Left padding of the text column, in pixels (the value hint maps the pointer with it).
    static constexpr int kTextPadding = 4;

  private:
    const SourceViewModel& model_;
    int file_;
    std::shared_ptr<const AsmWords> words_;
};

} // namespace zerka::gui
