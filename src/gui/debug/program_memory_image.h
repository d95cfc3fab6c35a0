#pragma once
// The plain hex grid of a word image (a chip read back by the programmer): 16 words a row,
// 4 upper-case hexadecimal digits each, the row's first address at the left.
#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

namespace zerka::gui {

class ProgramMemoryImageModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kWordsPerRow = 16;

    using QAbstractTableModel::QAbstractTableModel;
    void setWords(std::vector<uint16_t> words);
    const std::vector<uint16_t>& words() const { return words_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<uint16_t> words_;
};

} // namespace zerka::gui
