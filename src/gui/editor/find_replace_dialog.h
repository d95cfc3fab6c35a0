#pragma once
// The standard find and replace dialogs: one non-modal dialog in two modes. Find searches
// downwards only; replace has no direction choice. Both share the find text.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zerka::gui {

class FindReplaceDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FindReplaceDialog(QWidget* parent = nullptr);

    void showFind(QWidget* over);
    // `preset` (when not empty) becomes the find text.
    void showReplace(QWidget* over, const QString& preset);

    QString findText() const;
    QString replaceText() const;
    bool matchCase() const;
    bool wholeWord() const;
    void setFindText(const QString& text);
    void setReplaceText(const QString& text);
    void setMatchCase(bool on);
    void setWholeWord(bool on);

  signals:
    void findNextRequested();
    void replaceRequested(bool all);

  private:
    void setReplaceMode(bool replace);
    // Shows the dialog in that mode (centred over `over` when it was hidden), the find text
    // selected.
    void showMode(bool replace, QWidget* over);

    QLineEdit* find_;
    QLabel* replaceLabel_;
    QLineEdit* replace_;
    QCheckBox* wholeWord_;
    QCheckBox* matchCase_;
    QPushButton* findNext_;
    QPushButton* replaceOne_;
    QPushButton* replaceAll_;
};

} // namespace zerka::gui
