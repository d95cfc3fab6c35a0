#pragma once
// The labelled elements of the main window, each with its UI text table entry. ApplyCaptions
// walks the list in the order it was filled and writes the table's texts over the captions, so
// the whole interface can be relabelled in one place.
#include "uitext/text_id.h"

#include <QPointer>
#include <QString>

#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace zerka::gui {

class CaptionList {
  public:
    // A menu item or menu: text = the entry's text followed by `suffix` (TextId::None: the
    // suffix alone, for an item the table has no entry for).
    void item(QAction* action, TextId entry, const QString& suffix = {});
    void menu(QMenu* menu, TextId entry);
    // A toolbar button: caption and hint from their own entries; the button's accessible name
    // is the hint.
    void button(QAction* action, TextId caption, TextId hint);
    // A window caption.
    void title(QWidget* window, TextId entry);

    // Writes every text; elements deleted since they were listed are passed over.
    void apply() const;
    size_t size() const { return entries_.size(); }

  private:
    enum class Kind { Item, Menu, Button, Title };
    struct Entry {
        Kind kind;
        QPointer<QObject> target;
        TextId entry;
        TextId hintEntry;
        QString suffix;
    };
    std::vector<Entry> entries_;
};

// The text of an entry as a QString (empty for TextId::None).
QString captionOf(TextId entry);
// A caption as a screen reader says it: "Assemble&&Run" is "Assemble&Run", "New(&N)" "New(N)".
QString withoutMnemonic(const QString& text);

} // namespace zerka::gui
