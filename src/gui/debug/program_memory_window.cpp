#include "gui/debug/program_memory_window.h"

#include "core/ui_host.h"
#include "gui/debug/accessible_windows.h"
#include "gui/debug/program_memory_grid.h"
#include "gui/debug/program_memory_image.h"
#include "gui/debug/progwatch_entry.h"
#include "views/debug_views.h"
#include "views/view_context.h"
#include "views/view_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

using viewtext::hex;

ProgramMemoryWindow::ProgramMemoryWindow(DebugViews& views, UiHost& ui, QWidget* parent)
    : ProgramMemoryWindow(views.programMemory, views.context, ui, parent) {}

ProgramMemoryWindow::ProgramMemoryWindow(ProgramMemoryViewModel& model, ViewContext& context,
                                         UiHost& ui, QWidget* parent)
    : QWidget(parent), model_(model), context_(context), ui_(ui) {
    setWindowTitle(QStringLiteral("Program Memory"));

    pages_ = new QStackedWidget(this);
    auto* gridPage = new QWidget(pages_);
    auto* row = new QHBoxLayout(gridPage);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    grid_ = new ProgramMemoryGrid(model_, gridPage);
    makeProgramMemoryAccessible(*grid_, model_);
    scroll_ = new QScrollBar(Qt::Vertical, gridPage);
    row->addWidget(grid_, 1);
    row->addWidget(scroll_);
    pages_->addWidget(gridPage);

    auto* imagePage = new QWidget(pages_);
    auto* column = new QVBoxLayout(imagePage);
    column->setContentsMargins(0, 0, 0, 0);
    imageCaption_ = new QLabel(imagePage);
    imageCaption_->setContentsMargins(4, 2, 4, 2);
    image_ = new ProgramMemoryImageModel(this);
    imageView_ = new QTableView(imagePage);
    imageView_->setModel(image_);
    imageView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imageView_->setFont(grid_->font());
    imageView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    imageView_->horizontalHeader()->setDefaultSectionSize(40);
    imageView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    imageView_->verticalHeader()->setDefaultSectionSize(18);
    column->addWidget(imageCaption_);
    column->addWidget(imageView_, 1);
    pages_->addWidget(imagePage);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);
    resize(440, 360);

    connect(grid_, &ProgramMemoryGrid::rowDoubleClicked, this, &ProgramMemoryWindow::onDoubleClick);
    connect(grid_, &ProgramMemoryGrid::editRequested, this, [this](int r) {
        if (auto a = model_.addressAt(r)) editWord(*a);
    });
    connect(grid_, &ProgramMemoryGrid::contextMenuAt, this, &ProgramMemoryWindow::onContextMenu);
    connect(grid_, &ProgramMemoryGrid::scrolled, this, &ProgramMemoryWindow::syncScrollBar);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int v) {
        if (uint32_t(v) != model_.topAddress()) model_.setTopAddress(v);
    });
    // Breakpoint and busy changes refresh the model; the grid follows at once.
    changes_.follow(model_.changed(), [this] {
        grid_->syncFromModel();
        syncScrollBar();
    });
    refreshView();
}

void ProgramMemoryWindow::refreshView() {
    grid_->syncFromModel();
    syncScrollBar();
    announceAccessibleChanges(this);
}

void ProgramMemoryWindow::syncScrollBar() {
    const int size = int(context_.cpu().programSize());
    const int maximum = std::max(0, size - model_.dataRows());
    const QSignalBlocker block(scroll_);
    if (scroll_->maximum() != maximum) scroll_->setRange(0, maximum);
    scroll_->setPageStep(model_.dataRows());
    scroll_->setValue(int(model_.topAddress()));
}

void ProgramMemoryWindow::showAddress(uint32_t address) {
    model_.ShowAddress(address);
}

uint32_t ProgramMemoryWindow::selectedAddress() const {
    const auto a = model_.addressAt(grid_->selectedRow());
    if (a) return *a;
    const uint32_t size = context_.cpu().programSize();
    return size ? size - 1 : 0;
}

void ProgramMemoryWindow::toggleBreakpoint(uint32_t address) {
    const bool marked = context_.cpu().BreakpointMarkAt(address, BreakpointKind::Address);
    context_.up.ToggleBreakpoint(address, BreakpointKind::Address, !marked);
}

void ProgramMemoryWindow::toggleBreakpointAtSelection() {
    toggleBreakpoint(selectedAddress());
}

void ProgramMemoryWindow::onDoubleClick(int row) {
    const auto action = model_.doubleClick(row);
    using Kind = ProgramMemoryViewModel::Action::Kind;
    if (action.kind == Kind::ToggleBreakpoint) toggleBreakpoint(action.address);
    if (action.kind == Kind::ShowSource) Q_EMIT addressSelected(action.address);
}

void ProgramMemoryWindow::onContextMenu(int row, QPoint at) {
    const auto address = model_.addressAt(row);
    if (!address) return;
    QMenu menu(this);
    QAction* breakpoint = menu.addAction(QStringLiteral("Set Break Point"));
    QAction* modify = menu.addAction(QStringLiteral("Modify Value"));
    breakpoint->setEnabled(!context_.up.running());
    modify->setEnabled(!context_.up.running());
    QAction* chosen = menu.exec(at);
    if (chosen == breakpoint) toggleBreakpoint(*address);
    if (chosen == modify) editWord(*address);
}

bool ProgramMemoryWindow::editWord(uint32_t address) {
    CpuState& cpu = context_.cpu();
    // A running target executes the words; they change only while it is stopped.
    if (context_.up.running() || address >= cpu.programSize()) return false;
    const uint16_t old = cpu.ProgramWord(address);
    const QRect cell = grid_->rowRect(grid_->selectedRow());
    const QPoint at = grid_->mapToGlobal(QPoint(grid_->columnLeft(2), cell.bottom()));
    const auto value = progwatch::askHex(this, at, "FFFF", "0000~FFFF",
                                         "Rom" + hex(address, 4) + "=" + hex(old, 4));
    if (!value) return false;
    // The simulator runs the program cells themselves. The emulator runs its own memory: without
    // a writer for it the edit would only change what the window shows, so it is refused.
    const bool written = writer_                ? writer_(address, uint16_t(*value))
                         : context_.simulator() ? cpu.SetProgramWord(address, uint16_t(*value))
                                                : false;
    if (!written) {
        ui_.messageBox(MessageType::Error, "Program memory accessed error!", Buttons::Cancel);
        model_.Refresh();
        return false;
    }
    model_.Refresh();
    return true;
}

void ProgramMemoryWindow::showWordImage(const std::vector<uint16_t>& words,
                                        const QString& caption) {
    image_->setWords(words);
    imageCaption_->setText(caption);
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Program Memory") : caption);
    pages_->setCurrentIndex(1);
}

void ProgramMemoryWindow::showDisassembly() {
    setWindowTitle(QStringLiteral("Program Memory"));
    pages_->setCurrentIndex(0);
    refreshView();
}

bool ProgramMemoryWindow::wordImageShown() const {
    return pages_->currentIndex() == 1;
}

QString ProgramMemoryWindow::wordImageCaption() const {
    return imageCaption_->text();
}

} // namespace zerka::gui
