#include "gui/debug/program_memory_image.h"

#include "views/view_text.h"

namespace zerka::gui {

void ProgramMemoryImageModel::setWords(std::vector<uint16_t> words) {
    beginResetModel();
    words_ = std::move(words);
    endResetModel();
}

int ProgramMemoryImageModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return int((words_.size() + kWordsPerRow - 1) / kWordsPerRow);
}

int ProgramMemoryImageModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kWordsPerRow;
}

QVariant ProgramMemoryImageModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const size_t i = size_t(index.row()) * kWordsPerRow + size_t(index.column());
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole || i >= words_.size()) return {};
    return QString::fromStdString(viewtext::hex(words_[i], 4));
}

QVariant ProgramMemoryImageModel::headerData(int section, Qt::Orientation orientation,
                                             int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::number(section, 16).toUpper();
    return QString::fromStdString(viewtext::hex(uint32_t(section) * kWordsPerRow, 4));
}

} // namespace zerka::gui
