// The main window's toolbars (edit, run and programmer) with the bookmark, page and view
// buttons, where the edit toolbar docks, and the status line with its panels.
#include "gui/main/main_window.h"
#include "gui/main/programmer_mode.h"

#include "gui/editor/editor_window.h"
#include "uitext/text_table.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QToolButton>

namespace zerka::gui {

QAction* MainWindow::addButton(QToolBar* bar, TextId caption, TextId hint,
                               const std::function<void()>& slot) {
    QAction* a = bar->addAction(captionOf(caption));
    a->setToolTip(captionOf(hint));
    a->setObjectName(captionOf(hint));
    connect(a, &QAction::triggered, this, slot);
    if (QWidget* w = bar->widgetForAction(a)) w->setAccessibleName(captionOf(hint));
    captions_.button(a, caption, hint);
    return a;
}

void MainWindow::buildToolbars() {
    editBar_ = new QToolBar(captionOf(TextId::EditorCaption), this);
    editBar_->setObjectName(QStringLiteral("EditToolBar"));
    addToolBar(editBar_);
    openButton_ = addButton(editBar_, TextId::ButtonOpen, TextId::HintOpen, [this] { openSourceFile(); });
    pageButton_ = addButton(editBar_, TextId::ButtonPage, TextId::HintPage, [this] { showPageMenu(); });
    addButton(editBar_, TextId::ButtonFind, TextId::HintFind, [this] { runRouted(WindowCommand::QuickFind); });
    addButton(editBar_, TextId::ButtonFindNext, TextId::HintFindNext, [this] { runRouted(WindowCommand::FindNext); });
    markButton_ = addButton(editBar_, TextId::ButtonMark, TextId::HintMark, [this] { bookmarkButtonToggled(); });
    gotoButton_ = addButton(editBar_, TextId::ButtonGoto, TextId::HintGoto, [this] { bookmarkButtonToggled(); });
    for (QAction* a : {markButton_, gotoButton_})
        a->setCheckable(true);
    connect(markButton_, &QAction::triggered, this, [this](bool on) {
        if (on) gotoButton_->setChecked(false);
    });
    connect(gotoButton_, &QAction::triggered, this, [this](bool on) {
        if (on) markButton_->setChecked(false);
    });
    // The number bar: "1" ... "9", "0", shown beside the two bookmark buttons while one is down.
    digitBar_ = new QWidget(editBar_);
    digitBar_->setObjectName(QStringLiteral("NumberBar"));
    digitBar_->setAccessibleName(QStringLiteral("Bookmark number"));
    auto* digits = new QHBoxLayout(digitBar_);
    digits->setContentsMargins(0, 0, 0, 0);
    digits->setSpacing(0);
    for (int i = 0; i < 10; ++i) {
        const int n = (i + 1) % 10;
        auto* b = new QToolButton(digitBar_);
        b->setText(QString::number(n));
        b->setAccessibleName(QStringLiteral("Bookmark ") + QString::number(n));
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, n] { digitPressed(n); });
        digits->addWidget(b);
        digits_[size_t(n)] = b;
    }
    digitBarAction_ = editBar_->addWidget(digitBar_);
    digitBarAction_->setVisible(false);
    addButton(editBar_, TextId::ItemAssemble, TextId::ItemAssemble, [this] { bench_->shell().assembleOnly(); });

    runBar_ = new QToolBar(QStringLiteral("Debug"), this);
    runBar_->setObjectName(QStringLiteral("RunToolBar"));
    addToolBar(runBar_);
    actions_[Command::EditDebugButton] =
        addButton(runBar_, TextId::ButtonGo, TextId::HintGo, [this] { bench_->debug().toggleEditDebug(); });
    addButton(runBar_, TextId::ButtonExit, TextId::HintExit, [this] { close(); });
    runBar_->addSeparator();
    // The view buttons: the active child's button shows pressed.
    const std::tuple<Slot, Command, TextId, TextId> views[] = {
        {Slot::Editor, Command::ViewEdit, TextId::ButtonEdit, TextId::HintEdit},
        {Slot::Source, Command::ViewSource, TextId::ButtonSource, TextId::HintSource},
        {Slot::ProgramMemory, Command::ViewHex, TextId::ButtonHex, TextId::HintHex},
        {Slot::Ram, Command::ViewRam, TextId::ButtonRam, TextId::HintRam},
        {Slot::Register, Command::ViewRegister, TextId::ButtonReg, TextId::HintReg},
        {Slot::Watch, Command::ViewWatch, TextId::ButtonWatch, TextId::HintWatch}};
    for (const auto& [slot, command, caption, hint] : views) {
        viewCommands_[slot] = command;
        QAction* a = addButton(runBar_, caption, hint, [this, command = command] {
            actions_[command]->trigger();
            refreshViewButtons();
        });
        a->setCheckable(true);
        viewButtons_[slot] = a;
    }

    buildRunButtons();

    programmerBar_ = new QToolBar(captionOf(TextId::MenuRomWriter), this);
    programmerBar_->setObjectName(QStringLiteral("ProgrammerToolBar"));
    addToolBar(programmerBar_);
    const std::pair<Command, const char*> prog[] = {{Command::ProgBlank, "Blank Check"},
                                                    {Command::ProgProgram, "Program Chip"},
                                                    {Command::ProgVerify, "Verify Chip"},
                                                    {Command::ProgRead, "Read Chip"},
                                                    {Command::ProgAuto, "Auto"}};
    for (const auto& [c, text] : prog) {
        QAction* a = programmerBar_->addAction(QString::fromLatin1(text));
        a->setToolTip(a->text());
        if (QWidget* w = programmerBar_->widgetForAction(a)) w->setAccessibleName(a->text());
        connect(a, &QAction::triggered, this, [this, c = c] { programmerMode_->run(c); });
        actions_[c] = a;
    }
    actions_[Command::RunToolbar] = runBar_->toggleViewAction();
    actions_[Command::EditToolbar] = editBar_->toggleViewAction();
    actions_[Command::ProgrammerToolbar] = programmerBar_->toggleViewAction();
}

// --- bookmark, page and view buttons ----------------------------------------------------------

void MainWindow::bookmarkButtonToggled() {
    const bool down = markButton_->isChecked() || gotoButton_->isChecked();
    digitBarAction_->setVisible(down);
    refreshBookmarkButtons();
}

void MainWindow::refreshBookmarkButtons() {
    const bool marking = markButton_->isChecked();
    for (int n = 0; n < 10; ++n) {
        QToolButton* b = digits_[size_t(n)];
        const bool set = router_.run(WindowCommand::HasBookmark, {n});
        // Set: red digits mark set bookmarks; go to: blue digits, only the set ones enabled.
        b->setEnabled(marking || set);
        b->setStyleSheet(marking ? (set ? QStringLiteral("color: red; font-weight: bold")
                                        : QStringLiteral("color: black"))
                                 : QStringLiteral("color: blue"));
    }
}

void MainWindow::digitPressed(int n) {
    if (markButton_->isChecked())
        runRouted(WindowCommand::SetBookmark, {n});
    else if (gotoButton_->isChecked())
        runRouted(WindowCommand::GotoBookmark, {n});
    releaseBookmarkButtons();
}

void MainWindow::releaseBookmarkButtons() {
    markButton_->setChecked(false);
    gotoButton_->setChecked(false);
    digitBarAction_->setVisible(false);
}

void MainWindow::showPageMenu() {
    QWidget* w = editBar_->widgetForAction(pageButton_);
    const QPoint at = w ? w->mapToGlobal(QPoint(0, w->height())) : QCursor::pos();
    runRouted(WindowCommand::PageMenu, {0, at.x(), at.y()});
}

QMdiSubWindow* MainWindow::activeChild() const {
    return currentChild_ ? currentChild_ : previousChild_;
}

void MainWindow::childActivated(QMdiSubWindow* sub) {
    // Deactivating the main window clears both.
    // The main window losing the focus leaves no active child: the last one stays the window
    // that commands act on, and the toolbars stay where they are.
    if (sub != currentChild_) {
        previousChild_ = currentChild_;
        currentChild_ = sub;
    }
    for (int i = 0; i < kSlotCount; ++i)
        if (sub && slots_[size_t(i)].sub == sub) router_.activated(Slot(i));
    refreshViewButtons();
    dockEditBar();
    refreshBookmarkButtons();
}

void MainWindow::refreshViewButtons() {
    for (auto& [slot, a] : viewButtons_)
        a->setChecked(currentChild_ && !currentChild_->isHidden() &&
                      slots_[size_t(slot)].sub == currentChild_);
}

void MainWindow::dockEditBar() {
    // The edit toolbar lives in the editor once the editor has been the active child (and the
    // option wants it). Another child becoming active leaves it there rather than making the
    // text jump; the option switched off sends it back to the main window, hidden.
    QMdiSubWindow* editorSub = slots_[size_t(Slot::Editor)].sub;
    const bool wanted = bench_->options().editToolbarVisible();
    const bool inEditor = editBar_->parentWidget() == editorPane_;
    // The source view has no pane of its own: while its buttons act on the source view and the
    // editor is not showing (debug mode), the toolbar sits in the main window's toolbar area.
    const bool forSource = wanted && !isShowing(Slot::Editor) &&
                           router_.target(WindowCommand::PageMenu) == Slot::Source;
    if (wanted && !inEditor && activeChild() == editorSub) {
        removeToolBar(editBar_);
        editorPaneLayout_->insertWidget(0, editBar_);
        editBar_->show();
    } else if ((!wanted || forSource) && inEditor) {
        editorPaneLayout_->removeWidget(editBar_);
        addToolBar(Qt::TopToolBarArea, editBar_);
        editBar_->setVisible(forSource);
    } else if (forSource) {
        editBar_->show();
    } else if (!wanted || !inEditor) {
        editBar_->hide();
    }
    openButton_->setEnabled(activeChild() == editorSub);
}

void MainWindow::updateModeButton() {
    // The mode button reads "Go" in edit mode and "edit" while debugging.
    const bool debugging = bench_->shell().state().debugMode == 1;
    QAction* a = actions_[Command::EditDebugButton];
    a->setText(captionOf(debugging ? TextId::ButtonEditMode : TextId::ButtonGo));
    a->setToolTip(captionOf(debugging ? TextId::HintEditMode : TextId::HintGo));
}

void MainWindow::buildStatusLine() {
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusMain"));
    status_->setAccessibleName(QStringLiteral("Status"));
    connection_ = new QLabel(QStringLiteral("Simulator"), this);
    connection_->setObjectName(QStringLiteral("ConnectionPanel"));
    connection_->setAccessibleName(QStringLiteral("Connection"));
    connection_->setFrameShape(QFrame::Panel);
    connection_->setMinimumWidth(110);
    connection_->setAlignment(Qt::AlignCenter);
    connection_->installEventFilter(this);
    checksum_ = new QLabel(this);
    checksum_->setObjectName(QStringLiteral("ChecksumPanel"));
    checksum_->setAccessibleName(QStringLiteral("File CheckSum"));
    checksum_->setMinimumWidth(130);
    wait_ = new QWidget(this);
    wait_->setAccessibleName(QStringLiteral("Please wait..."));
    auto* waitLayout = new QHBoxLayout(wait_);
    waitLayout->setContentsMargins(0, 0, 0, 0);
    waitLayout->setSpacing(1);
    for (QLabel*& cell : waitCells_) {
        cell = new QLabel(wait_);
        cell->setFixedSize(5, 12);
        cell->setAutoFillBackground(true);
        cell->setStyleSheet(QStringLiteral("background: #2a6fdb"));
        waitLayout->addWidget(cell);
    }
    wait_->hide();
    busy_ = new QWidget(this);
    busy_->setObjectName(QStringLiteral("BusyIndicator"));
    busy_->setAccessibleName(QStringLiteral("Busy"));
    busy_->setFixedSize(10, 14);
    busy_->setStyleSheet(QStringLiteral("background: palette(mid)"));
    statusBar()->addWidget(status_, 1);
    statusBar()->addPermanentWidget(wait_);
    statusBar()->addPermanentWidget(checksum_);
    statusBar()->addPermanentWidget(connection_);
    statusBar()->addPermanentWidget(busy_);
}

} // namespace zerka::gui
