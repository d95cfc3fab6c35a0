// The debug windows over the shared views: each listens to its model's change notice while it
// lives, and a window that is gone is never called back.
// First: the fixture brings the core headers before Qt defines its keywords.
#include "regram_fixture.h"

#include "gui/debug/program_memory_window.h"
#include "gui/debug/ram_window.h"
#include "gui/debug/register_window.h"
#include "gui/debug/stack_window.h"
#include "gui/debug/watch_window.h"

namespace zerka {
namespace {

TEST(DebugWindowLifetime, WindowsListenWhileTheyLiveAndAreNotCalledBackAfterwards) {
    test::RegramFixture f;
    DebugViews& v = *f.views;
    const auto listeners = [&v] {
        return std::vector<size_t>{v.ram.changed().size(), v.registers.changed().size(),
                                   v.stack.changed().size(), v.programMemory.changed().size(),
                                   v.watch.changed().size()};
    };
    const std::vector<size_t> before = listeners();
    {
        gui::RamWindow ram(v, f.ui);
        gui::RegisterWindow registers(v, f.ui);
        gui::StackWindow stack(v, f.ui);
        gui::ProgramMemoryWindow program(v, f.ui);
        gui::WatchWindow watch(v, f.ui);
        std::vector<size_t> more = before;
        for (size_t& n : more)
            ++n;
        EXPECT_EQ(listeners(), more);

        // A step notifies every model; the grid windows' repaints wait for the event loop,
        // which runs only after the windows went.
        f.step();
    }
    EXPECT_EQ(listeners(), before);
    // Neither the pending repaints nor later notices reach a window that is gone (it would be
    // freed memory).
    QApplication::processEvents();
    f.step();
    QApplication::processEvents();
}

} // namespace
} // namespace zerka
