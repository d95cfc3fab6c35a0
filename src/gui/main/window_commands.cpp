// The editor's handlers of the commands that act on the active window; the source view adds
// its own (debug_window_set.cpp).
#include "gui/main/main_window.h"

#include "gui/editor/editor_window.h"

namespace zerka::gui {

void MainWindow::routeEditorCommands() {
    EditorWindow& e = *editor_;
    auto route = [this](WindowCommand c, std::function<void(const CommandArgument&)> f) {
        router_.add(Slot::Editor, c, [f = std::move(f)](const CommandArgument& a) {
            f(a);
            return true;
        });
    };
    // The menu's find is the standard dialog (match case, whole word); the toolbar's the quick
    // find with its history of four.
    route(WindowCommand::Find, [&e](const CommandArgument&) { e.findStandard(); });
    route(WindowCommand::QuickFind, [&e](const CommandArgument&) { e.find(); });
    route(WindowCommand::FindNext, [&e](const CommandArgument&) { e.findNext(); });
    route(WindowCommand::Replace, [&e](const CommandArgument&) { e.replace(); });
    route(WindowCommand::NextFile, [&e](const CommandArgument&) { e.nextFile(); });
    route(WindowCommand::PreviousFile, [&e](const CommandArgument&) { e.previousFile(); });
    route(WindowCommand::PageMenu,
          [&e](const CommandArgument& a) { e.showFileListPopup(QPoint(a.x, a.y)); });
    route(WindowCommand::SetBookmark, [&e](const CommandArgument& a) { e.setBookmark(a.number); });
    route(WindowCommand::GotoBookmark,
          [&e](const CommandArgument& a) { e.gotoBookmark(a.number); });
    router_.add(Slot::Editor, WindowCommand::HasBookmark,
                [&e](const CommandArgument& a) { return e.bookmark(a.number, nullptr, nullptr); });
}

void MainWindow::runRouted(WindowCommand command, const CommandArgument& argument) {
    router_.run(command, argument);
}

} // namespace zerka::gui
