#pragma once
// The program words of a chip read, a flash read-back or a word image as a hex grid: 16 words a
// row, each as four hexadecimal digits, the row's first address at its left.
#include <QTableWidget>

#include <cstdint>
#include <vector>

namespace zerka::gui {

class ReadResultView : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int kWordsPerRow = 16;

    explicit ReadResultView(QWidget* parent = nullptr);

    // `rows` empty rows (the grid of a chip before anything is read).
    void clearWords(int rows);
    // One row per 16 words; a last partial row shows only its words.
    void showWords(const std::vector<uint16_t>& words);
    // The cell text of word `index` ("" when not shown).
    QString wordText(int index) const;
    // Wide enough for the 16 columns and the address column.
    QSize sizeHint() const override;
};

} // namespace zerka::gui
