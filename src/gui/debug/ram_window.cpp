#include "gui/debug/ram_window.h"

#include "core/ui_host.h"
#include "gui/debug/accessible_windows.h"
#include "gui/debug/hex_cell_grid.h"
#include "uitext/text_id.h"
#include "views/debug_views.h"

#include <QColorDialog>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <filesystem>

namespace zerka::gui {

namespace {

QString fileFilter() {
    // The model's filter is "*.ram|*.ram" (description|pattern).
    const std::string f = RamViewModel::kFileFilter;
    const auto bar = f.find('|');
    return QStringLiteral("RAM data (%1)").arg(QString::fromStdString(f.substr(bar + 1)));
}

} // namespace

RamWindow::RamWindow(DebugViews& views, UiHost& ui, QWidget* parent)
    : RamWindow(views.ram, ui, parent) {}

RamWindow::RamWindow(RamViewModel& model, UiHost& ui, QWidget* parent)
    : GridDebugWindow(model.changed(), TextId::RamCaption, parent), model_(model), ui_(ui) {
    textAsker_ = askText;
    colourChooser_ = [](QWidget* p, QColor current) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(current, p);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    fileChooser_ = [](QWidget* p, bool save) -> std::optional<std::string> {
        // The window asks its own overwrite question.
        const QString name = save ? QFileDialog::getSaveFileName(p, QStringLiteral("Save RAM Data"),
                                                                 QString(), fileFilter(), nullptr,
                                                                 QFileDialog::DontConfirmOverwrite)
                                  : QFileDialog::getOpenFileName(p, QStringLiteral("Load RAM Data"),
                                                                 QString(), fileFilter());
        if (name.isEmpty()) return std::nullopt;
        return name.toStdString();
    };
    urlOpener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    exportFolder_ = (QStandardPaths::writableLocation(QStandardPaths::TempLocation) + "/ZerkaTemp")
                        .toStdString();
    bankLook_.fill(-1);
    build();
    refreshView();
}

void RamWindow::build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    auto* bankRows = new QGridLayout;
    bankRows->setSpacing(2);
    for (int k = 0; k < RamViewModel::kBanks; ++k) {
        auto* b = new QPushButton(QStringLiteral("Bank%1").arg(k), this);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCheckable(true);
        connect(b, &QPushButton::clicked, this, [this, k] {
            model_.selectBank(k);
            refreshView();
        });
        banks_[size_t(k)] = b;
        bankRows->addWidget(b, k / 8, k % 8);
    }
    layout->addLayout(bankRows);

    grid_ = new HexCellGrid(this);
    std::vector<int> chars(RamViewModel::kColumns, 2);
    chars[0] = 3;
    grid_->setShape(RamViewModel::kRows, chars);
    grid_->setCellSource([this](int r, int c) { return model_.cell(r, c); });
    grid_->setSelectable([this](int r, int c) { return model_.addressAt(r, c).has_value(); });
    grid_->onKey = [this](int r, int c, int key) {
        const bool taken = model_.key(r, c, key);
        grid_->refresh();
        return taken;
    };
    grid_->onLeaveCell = [this] {
        model_.leaveCell();
        grid_->refresh();
    };
    grid_->onDoubleClick = [this](int r, int c, QPoint g) { editCell(r, c, g); };
    grid_->onContextMenu = [this](int r, int c, QPoint g) { showContextMenu(r, c, g); };
    grid_->onHover = [this](int r, int c) { hoverCell(r, c); };
    makeRamGridAccessible(*grid_, model_);
    // A window tiled smaller than the bank scrolls it rather than cutting it off.
    addScrollingGrid(this, layout, grid_);

    hover_ = new QLabel(this);
    hover_->setFrameStyle(QFrame::Box | QFrame::Plain);
    hover_->setAutoFillBackground(true);
    hover_->setBackgroundRole(QPalette::ToolTipBase);
    hover_->setForegroundRole(QPalette::ToolTipText);
    hover_->setMargin(2);
    hover_->setAttribute(Qt::WA_TransparentForMouseEvents);
    hover_->hide();
}

void RamWindow::setCellFont(const QFont& font) {
    grid_->setFont(font);
    refreshView();
}

void RamWindow::refreshView() {
    refresh_.done();
    updateBanks();
    grid_->refresh();
    if (hover_->isVisible()) hoverCell(hoverRow_, hoverCol_);
    announceAccessibleChanges(this);
}

void RamWindow::updateBanks() {
    for (int k = 0; k < RamViewModel::kBanks; ++k) {
        const int look = !model_.bankShown(k) ? 0 : model_.bankRaised(k) ? 2 : 1;
        // A click toggles a checkable button by itself; the model's bank decides.
        banks_[size_t(k)]->setChecked(look == 2);
        if (bankLook_[size_t(k)] == look) continue;
        bankLook_[size_t(k)] = look;
        QPushButton* b = banks_[size_t(k)];
        b->setVisible(look != 0);
        b->setChecked(look == 2);
        // The selected bank is raised in yellow, the others lowered in the window colour.
        b->setStyleSheet(look == 2 ? QStringLiteral("QPushButton { background-color: yellow; "
                                                    "color: black; font-weight: bold; "
                                                    "border: 2px outset grey; padding: 2px; }")
                                   : QString());
    }
}

void RamWindow::hoverCell(int row, int col) {
    hoverRow_ = row;
    hoverCol_ = col;
    const std::string text = model_.hoverText(row, col);
    if (text.empty()) {
        hover_->hide();
        return;
    }
    hover_->setText(QString::fromStdString(text));
    hover_->adjustSize();
    const QRect cell = grid_->cellRect(row, col);
    const QPoint bottomLeft = grid_->mapTo(this, cell.bottomLeft());
    const ScreenPoint at =
        RamViewModel::hoverPosition(bottomLeft.x(), bottomLeft.y(), width(), height());
    hover_->move(at.x, at.y);
    hover_->show();
    hover_->raise();
}

void RamWindow::editCell(int row, int col, QPoint global) {
    const auto request = model_.doubleClick(row, col);
    if (!request) return;
    const HexEditResult result = hexEditor_(this, global, *request);
    if (!result.accepted) return;
    model_.apply(*request, result.value);
    refreshView();
}

void RamWindow::showContextMenu(int row, int col, QPoint global) {
    QMenu menu(this);
    bool banks = false;
    for (const MenuItem& item : model_.contextMenu()) {
        if (item.action == MenuAction::ShowBank) {
            if (!item.enabled) continue; // only the chip's banks
            if (!banks) menu.addSeparator();
            banks = true;
        }
        // The hint items, the file items and the export stand in groups of their own.
        if (item.action == MenuAction::SetHint || item.action == MenuAction::LoadRamData ||
            item.action == MenuAction::SaveToExcel)
            menu.addSeparator();
        QAction* a = menu.addAction(QString::fromStdString(item.text));
        a->setCheckable(item.checked);
        a->setChecked(item.checked);
        connect(a, &QAction::triggered, this,
                [this, item, row, col] { contextAction(item, row, col); });
    }
    menu.exec(global);
}

bool RamWindow::confirm(const std::string& question) {
    return ui_.messageBox(MessageType::Warning, question, Buttons::YesNo) == Button::Yes;
}

void RamWindow::contextAction(const MenuItem& item, int row, int col) {
    switch (item.action) {
    case MenuAction::SetMark:
        model_.setMark(row, col);
        break;
    case MenuAction::SetMarkNewColour: {
        const Rgb current = model_.markColour();
        const auto chosen = colourChooser_(this, QColor(current.r, current.g, current.b));
        if (!chosen) return;
        model_.setMarkColour(
            {uint8_t(chosen->red()), uint8_t(chosen->green()), uint8_t(chosen->blue())});
        model_.setMark(row, col);
        break;
    }
    case MenuAction::ResetMark:
        model_.resetMark(row, col);
        break;
    case MenuAction::ResetAllMarks:
        if (confirm(RamViewModel::kResetAllMarkQuestion)) model_.resetAllMarks();
        break;
    case MenuAction::SetHint: {
        if (!model_.addressAt(row, col)) return;
        const TextInputResult answer = textAsker_(this, mapToGlobal(QPoint(100, 100)));
        if (answer.accepted) model_.setHint(row, col, answer.text);
        break;
    }
    case MenuAction::ResetHint:
        model_.resetHint(row, col);
        break;
    case MenuAction::ResetAllHints:
        if (confirm(RamViewModel::kResetAllHintQuestion)) model_.resetAllHints();
        break;
    case MenuAction::LoadRamData:
        loadRamData();
        break;
    case MenuAction::SaveRamData:
        saveRamData();
        break;
    case MenuAction::SaveToExcel:
        saveToExcel();
        break;
    case MenuAction::ShowBank:
        if (model_.bankShown(item.argument)) model_.selectBank(item.argument);
        break;
    default:
        return;
    }
    refreshView();
}

void RamWindow::loadRamData() {
    const auto path = fileChooser_(this, false);
    if (!path) return;
    std::string error;
    if (!model_.loadRam(*path, &error)) ui_.messageBox(MessageType::Error, error, Buttons::Ok);
}

void RamWindow::saveRamData() {
    const auto path = fileChooser_(this, true);
    if (!path) return;
    std::error_code ec;
    if (std::filesystem::exists(*path, ec) && !confirm(RamViewModel::overwriteQuestion(*path)))
        return;
    std::string error;
    if (!model_.saveRam(*path, &error))
        ui_.messageBox(MessageType::Error, "Can't save " + *path + " (" + error + ")!",
                       Buttons::Ok);
}

void RamWindow::saveToExcel() {
    // A new workbook every time, as a fresh spreadsheet would be: an open one is never replaced.
    QDir().mkpath(QString::fromStdString(exportFolder_));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString file = QString::fromStdString(exportFolder_) + "/RamData-" + stamp + ".xlsx";
    for (int n = 2; QFileInfo::exists(file); ++n)
        file = QString::fromStdString(exportFolder_) + "/RamData-" + stamp + "-" +
               QString::number(n) + ".xlsx";
    const std::string path = QDir::toNativeSeparators(file).toStdString();
    std::string error;
    if (!model_.saveExcel(path, &error)) {
        ui_.messageBox(MessageType::Error, "Can't write the workbook " + path + " (" + error + ")!",
                       Buttons::Ok);
        return;
    }
    lastWorkbook_ = path;
    if (!urlOpener_(QUrl::fromLocalFile(file)))
        ui_.messageBox(MessageType::Information,
                       "No program is set up to open .xlsx files. The RAM data workbook is saved "
                       "as " +
                           path,
                       Buttons::Ok);
}

} // namespace zerka::gui
