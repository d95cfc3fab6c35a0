#include "gui/debug/register_window.h"

#include "gui/debug/accessible_windows.h"
#include "gui/debug/hex_cell_grid.h"
#include "gui/debug/palette_roles.h"
#include "uitext/text_id.h"
#include "views/debug_views.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

namespace {

constexpr std::array<const char*, RegisterViewModel::kPages> kPageNames{"PAGE1", "PAGE2", "PAGE3",
                                                                        "PAGE4"};

int textWidth(const std::string& s) {
    return int(QString::fromStdString(s).size());
}

void setRoleColours(QWidget* w, CellRole role) {
    QPalette p = w->palette();
    if (role == CellRole::Changed) {
        const RolePaint c = rolePaint(role, p);
        p.setColor(QPalette::Window, c.background);
        p.setColor(QPalette::WindowText, c.text);
    } else {
        p = w->parentWidget() ? w->parentWidget()->palette() : QPalette();
        p.setColor(QPalette::Window, p.color(QPalette::Base));
        p.setColor(QPalette::WindowText, p.color(QPalette::Text));
    }
    w->setPalette(p);
}

} // namespace

RegisterWindow::RegisterWindow(DebugViews& views, UiHost& ui, QWidget* parent)
    : RegisterWindow(views.registers, ui, parent) {}

RegisterWindow::RegisterWindow(RegisterViewModel& model, UiHost&, QWidget* parent)
    : GridDebugWindow(model.changed(), TextId::RegisterCaption, parent), model_(model) {
    // The value editor's buttons follow the options' language.
    hexEditor_ = [this](QWidget* p, QPoint at, const HexEditRequest& r) {
        return editHexValue(p, at, r, language_);
    };
    chooser_ = choosePopupItem;
    build();
    refreshView();
}

void RegisterWindow::build() {
    // The grids keep their size; a window tiled smaller than they are scrolls instead of
    // drawing them over each other.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* content = new QWidget(scroll);
    scroll->setWidget(content);
    outer->addWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    auto makePanel = [this](Panel p) {
        auto* label = new QLabel(this);
        label->setAutoFillBackground(true);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMargin(2);
        label->installEventFilter(this);
        label->setCursor(p == Panel::Cycle ? Qt::ArrowCursor : Qt::PointingHandCursor);
        panels_[size_t(p)] = label;
        panelRoles_[size_t(p)] = CellRole::Busy; // forces the first colouring
        return label;
    };
    auto* top = new QHBoxLayout;
    top->setSpacing(3);
    top->addWidget(makePanel(Panel::W));
    top->addWidget(makePanel(Panel::Pc));
    top->addWidget(makePanel(Panel::Cycle));
    top->addStretch();
    layout->addLayout(top);
    // An IND panel reads as one "IND0: M[000]=00": its address and byte parts, each marked
    // on its own when it changes, share one frame with nothing between them.
    auto indPanel = [&](Panel address, Panel value) {
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(frame->frameWidth(), frame->frameWidth(), frame->frameWidth(),
                                frame->frameWidth());
        row->setSpacing(0);
        QLabel* parts[2] = {makePanel(address), makePanel(value)};
        for (int k = 0; k < 2; ++k) {
            parts[k]->setFrameStyle(QFrame::NoFrame);
            parts[k]->setMargin(0);
            parts[k]->setContentsMargins(k == 0 ? 2 : 0, 2, k == 0 ? 0 : 2, 2);
            row->addWidget(parts[k]);
        }
        return frame;
    };
    auto* ind = new QHBoxLayout;
    ind->setSpacing(3);
    ind->addWidget(indPanel(Panel::Ind0Address, Panel::Ind0Value));
    ind->addWidget(indPanel(Panel::Ind1Address, Panel::Ind1Value));
    ind->addStretch();
    layout->addLayout(ind);

    auto* pageRow = new QHBoxLayout;
    pageRow->setSpacing(2);
    for (int k = 0; k < RegisterViewModel::kPages; ++k) {
        auto* b = new QPushButton(QString::fromLatin1(kPageNames[size_t(k)]), this);
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, k] {
            model_.selectPage(k);
            refreshView();
        });
        pages_[size_t(k)] = b;
        pageRow->addWidget(b);
    }
    pageRow->addStretch();
    layout->addLayout(pageRow);

    bitGrid_ = new HexCellGrid(this);
    bitGrid_->setCellSource([this](int r, int c) {
        Cell cell = model_.bitCell(r, c);
        if (c == 0 && cell.role == CellRole::Normal) cell.role = CellRole::Header;
        return cell;
    });
    bitGrid_->setSelectable([](int, int) { return true; });
    bitGrid_->onDoubleClick = [this](int r, int c, QPoint g) { bitDoubleClicked(r, c, g); };
    bitGrid_->onContextMenu = [this](int r, int c, QPoint g) { showHelp(model_.bitHelp(r, c), g); };
    layout->addWidget(bitGrid_);

    byteGrid_ = addPairGrid(
        layout, QStringLiteral("Byte "), byteTitle_, &M::byteCell, &M::byteDoubleClick,
        [this](int r, int c, int k) { return model_.byteKey(r, c, k); }, &M::byteHelp);
    wordGrid_ = addPairGrid(
        layout, QStringLiteral("Word"), wordTitle_, &M::wordCell, &M::wordDoubleClick,
        [this](int r, int c, int k) { return model_.wordKey(r, c, k); }, &M::wordHelp);
    layout->addStretch();
    makeRegisterWindowAccessible(*this);
}

// The key handler comes as a function: called through a pointer to member from the grid's
// handler, UBSan took the window for a wrong object.
HexCellGrid* RegisterWindow::addPairGrid(QVBoxLayout* layout, const QString& title,
                                         QLabel*& titleLabel,
                                         const Cell& (M::*cell)(int, int) const,
                                         std::optional<HexEditRequest> (M::*doubleClick)(int, int)
                                             const,
                                         std::function<bool(int, int, int)> key,
                                         std::optional<std::string> (M::*help)(int, int) const) {
    titleLabel = new QLabel(title, this);
    layout->addWidget(titleLabel);
    auto* grid = new HexCellGrid(this);
    grid->setCellSource([this, cell](int r, int c) {
        Cell shown = (model_.*cell)(r, c);
        if (r % 2 == 0 && !shown.text.empty()) shown.role = CellRole::Header;
        return shown;
    });
    grid->setSelectable(
        [this, doubleClick](int r, int c) { return (model_.*doubleClick)(r, c).has_value(); });
    grid->onKey = [grid, key](int r, int c, int k) {
        const bool taken = key(r, c, k);
        grid->refresh();
        return taken;
    };
    grid->onDoubleClick = [this, doubleClick](int r, int c, QPoint g) {
        edit((model_.*doubleClick)(r, c), g);
    };
    grid->onContextMenu = [this, help](int r, int c, QPoint g) {
        showHelp((model_.*help)(r, c), g);
    };
    layout->addWidget(grid);
    return grid;
}

void RegisterWindow::setCellFont(const QFont& font) {
    setFont(font);
    for (QLabel* l : panels_)
        l->setFont(font);
    for (HexCellGrid* g : {bitGrid_, byteGrid_, wordGrid_})
        g->setFont(font);
    refreshView();
}

void RegisterWindow::refreshView() {
    refresh_.done();
    updateShapes();
    updatePanels();
    updatePages();
    bitGrid_->refresh();
    byteGrid_->refresh();
    wordGrid_->refresh();
    announceAccessibleChanges(this);
}

void RegisterWindow::updateShapes() {
    // Bit grid: register names, then the eight bit names; widths from the longest name.
    const int bitRows = model_.bitRows();
    std::vector<int> bitChars(RegisterViewModel::kBitColumns, 3);
    bitChars[0] = 6;
    for (int r = 0; r < bitRows; ++r)
        for (int c = 0; c < RegisterViewModel::kBitColumns; ++c)
            bitChars[size_t(c)] =
                std::max(bitChars[size_t(c)], textWidth(model_.bitCell(r, c).text));
    const int bitWidest = *std::max_element(bitChars.begin() + 1, bitChars.end());
    std::fill(bitChars.begin() + 1, bitChars.end(), bitWidest);
    if (bitGrid_->rows() != bitRows || bitGrid_->columns() != RegisterViewModel::kBitColumns ||
        bitGrid_->columnChars() != bitChars)
        bitGrid_->setShape(bitRows, bitChars);

    auto gridChars = [](int rows, int minimum, auto cellOf) {
        int widest = minimum;
        for (int r = 0; r < rows; r += 2)
            for (int c = 0; c < RegisterViewModel::kGridColumns; ++c)
                widest = std::max(widest, textWidth(cellOf(r, c).text));
        return std::vector<int>(RegisterViewModel::kGridColumns, widest);
    };
    const auto byteChars =
        gridChars(model_.byteRows(), 4, [this](int r, int c) { return model_.byteCell(r, c); });
    if (byteGrid_->rows() != model_.byteRows() || byteGrid_->columnChars() != byteChars)
        byteGrid_->setShape(model_.byteRows(), byteChars);
    const auto wordChars =
        gridChars(model_.wordRows(), 4, [this](int r, int c) { return model_.wordCell(r, c); });
    if (wordGrid_->rows() != model_.wordRows() || wordGrid_->columnChars() != wordChars)
        wordGrid_->setShape(model_.wordRows(), wordChars);
    wordTitle_->setVisible(model_.wordRows() > 0);
    wordGrid_->setVisible(model_.wordRows() > 0);
}

void RegisterWindow::updatePanels() {
    for (int i = 0; i < RegisterViewModel::kPanelCount; ++i) {
        const Cell& cell = model_.panel(Panel(i));
        QLabel* label = panels_[size_t(i)];
        const QString text = QString::fromStdString(cell.text);
        if (label->text() != text) label->setText(text);
        if (panelRoles_[size_t(i)] != cell.role) {
            panelRoles_[size_t(i)] = cell.role;
            setRoleColours(label, cell.role);
        }
    }
}

void RegisterWindow::updatePages() {
    // A click toggles a checkable button by itself; the model's page decides.
    for (int k = 0; k < RegisterViewModel::kPages; ++k)
        pages_[size_t(k)]->setChecked(model_.pageRaised(k));
    if (shownPage_ == model_.page()) return;
    shownPage_ = model_.page();
    for (int k = 0; k < RegisterViewModel::kPages; ++k) {
        QPushButton* b = pages_[size_t(k)];
        const bool selected = model_.pageRaised(k);
        b->setChecked(selected);
        if (selected) {
            const Rgb c = model_.pageColour(k);
            b->setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(%1,%2,%3); "
                                            "color: black; font-weight: bold; "
                                            "border: 2px outset grey; padding: 2px 8px; }")
                                 .arg(c.r)
                                 .arg(c.g)
                                 .arg(c.b));
        } else {
            b->setStyleSheet(QString());
        }
    }
}

bool RegisterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < RegisterViewModel::kPanelCount; ++i)
            if (watched == panels_[size_t(i)]) {
                auto* e = static_cast<QMouseEvent*>(event);
                panelClicked(Panel(i), e->globalPosition().toPoint());
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

void RegisterWindow::panelClicked(Panel p, QPoint global) {
    std::vector<std::string> items = model_.panelMenu(p);
    if (items.empty()) return;
    // The menu texts come from the UI text table like every caption of this window.
    items[0] = TextOf(TextId::ModifyValue);
    if (items.size() > 1) {
        const bool first = p == Panel::Ind0Address || p == Panel::Ind0Value;
        items[1] = TextOfLanguage(TextId::Modify, language_) + (first ? " FSR0" : " FSR1");
    }
    const int chosen = chooser_(this, global, items);
    if (chosen < 0) return;
    edit(model_.panelMenuChosen(p, chosen), global);
}

void RegisterWindow::edit(const std::optional<HexEditRequest>& request, QPoint global) {
    if (!request) return;
    const HexEditResult result = hexEditor_(this, global, *request);
    if (!result.accepted) return;
    model_.apply(*request, result.value);
    refreshView();
}

void RegisterWindow::showHelp(const std::optional<std::string>& text, QPoint global) {
    if (text) chooser_(this, global, {*text});
}

void RegisterWindow::bitDoubleClicked(int row, int col, QPoint global) {
    const RegisterViewModel::DoubleClick click = model_.bitDoubleClick(row, col);
    if (const auto* request = std::get_if<HexEditRequest>(&click)) {
        edit(*request, global);
        return;
    }
    if (const auto* menu = std::get_if<RegisterViewModel::BitMenu>(&click)) {
        const int chosen = chooser_(this, global, {menu->setItem, menu->clearItem});
        if (chosen < 0) return;
        model_.bitMenuChosen(*menu, chosen == 0);
        refreshView();
    }
}

} // namespace zerka::gui
