#pragma once
// TZkIntStr, the single-line text input box: caption "Input", an edit field and "Ok" and
// "Cancel". One field text is shared by every use in the program, so the box reopens with the
// previous text, fully selected.
//
// Use it through askText(): the RAM window asks for hints with it; other windows may ask for any
// short text the same way.
#include "views/text_input.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

namespace zerka::gui {

struct TextInputResult {
    bool accepted = false;
    std::string text; // returned whether accepted or not
};

// Shows the box modally at `at` (global position).
TextInputResult askText(QWidget* parent, QPoint at);

// The window itself, over a text model that outlives it.
class TextInputBox : public QDialog {
    Q_OBJECT
  public:
    explicit TextInputBox(TextInput& model, QWidget* parent = nullptr);
    QLineEdit* field() const { return field_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The text model shared by every box askText() opens.
    static TextInput& shared();

  protected:
    void done(int result) override;

  private:
    TextInput& model_;
    QLineEdit* field_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace zerka::gui
