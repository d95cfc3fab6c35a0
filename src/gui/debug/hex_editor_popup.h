#pragma once
// TZkPopSelHex, the hexadecimal pop-up editor: a small modal window on top of the others with
// an edit box, sixteen digit buttons, accept, clear and cancel, and a status line with the
// range text. Every key goes to the editor model (views/hex_entry.h), which decides when the
// window closes.
//
// Use it through editHexValue(): the register, RAM, stack, program-memory and watch windows
// hand it the request their model built for the clicked element and write the value only when
// the result is accepted.
#include "views/edit_request.h"
#include "views/hex_entry.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zerka::gui {

struct HexEditResult {
    bool accepted = false;
    uint32_t value = 0;
};

// Opens the editor modally at `at` (global position; moved back inside the screen), with the
// request's caption, limit and range text. `language` picks the button texts (0 English,
// 1 Chinese).
HexEditResult editHexValue(QWidget* parent, QPoint at, const std::string& limit,
                           const std::string& rangeText, const std::string& caption,
                           int language = 0);
inline HexEditResult editHexValue(QWidget* parent, QPoint at, const HexEditRequest& request,
                                  int language = 0) {
    return editHexValue(parent, at, request.limit, request.range, request.caption, language);
}

// The window itself (exposed for tests and for callers that need to place it first).
class HexEditorPopup : public QDialog {
    Q_OBJECT
  public:
    HexEditorPopup(const std::string& limit, const std::string& rangeText,
                   const std::string& caption, int language, QWidget* parent = nullptr);

    const HexEntry& entry() const { return entry_; }
    QPushButton* digitButton(int digit) const { return digits_[size_t(digit)]; }
    QPushButton* acceptButton() const { return accept_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLineEdit* editBox() const { return edit_; }
    // Opens at `at` (global), kept inside the screen once the window frame is known.
    void placeAt(QPoint at);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override; // closing the window: not accepted
    void showEvent(QShowEvent* event) override;

  private:
    void sync();

    HexEntry entry_;
    QLineEdit* edit_ = nullptr;
    std::array<QPushButton*, 16> digits_{};
    QPushButton* accept_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    QPoint requested_;
};

} // namespace zerka::gui
