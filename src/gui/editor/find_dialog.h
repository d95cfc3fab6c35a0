#pragma once
// The find dialog TZk_NFind: a combo box with the last four search texts and Find / Cancel.
#include "editor/find_history.h"

#include <QDialog>

#include <string>

class QComboBox;

namespace zerka::gui {

class FindDialog : public QDialog {
    Q_OBJECT
  public:
    FindDialog(FindHistory& history, QWidget* parent = nullptr);

    // Shows the dialog centred over `over` without a preset text. True with the search text
    // after "Find" with a text; false when cancelled (or "Find" with an empty text).
    bool run(QWidget* over, std::string& text);
    // Captions from the UI text table.
    void applyCaptions();

  private:
    FindHistory& history_;
    QComboBox* box_;
};

} // namespace zerka::gui
