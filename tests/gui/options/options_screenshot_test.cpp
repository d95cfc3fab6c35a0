// The model's headers come before Qt's: core/signal.h has a member named like Qt's emit macro.
#include "options_dialog_fixture.h"

#include "gui/support/screenshot.h"

#include <QImage>
#include <QListWidget>

namespace zerka::test {
namespace {

// Each page of the dialog over the shipped chip library, saved for people to look at.
TEST(OptionsDialogScreenshots, EveryPage) {
    TempDir dir;
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir() / "chips")) {
        if (entry.path().extension() == ".INC" || entry.path().extension() == ".inc")
            std::filesystem::copy_file(entry.path(), dir.path() / entry.path().filename());
    }
    dir.write("ZkKXA16.mem", "CAL\n"); // KXA1604 declares #HAO: all three switches
    ChipLibrary library(dir.path());
    ChipModel chip;
    OptionsModel options(library, chip);
    RecordingHost host;
    RecordingCalibration calibration;
    FakeTools tools;
    options.setHost(&host);
    options.setCalibrationRules(&calibration);
    const auto kxa1604 = library.findChipByName("KXA1604");
    ASSERT_TRUE(kxa1604.has_value());
    ASSERT_TRUE(options.chooseChip(*kxa1604));
    options.controls().EnHAO.checked = true;
    options.restoreHardwareCalibration(true);

    gui::OptionsDialog dialog(options, &tools);
    const char* names[] = {"options_interface", "options_config", "options_chip_watch",
                           "options_debug_tool", "options_calibration"};
    QTimer::singleShot(0, &dialog, [&] {
        auto* pages = dialog.findChild<QListWidget*>(QStringLiteral("pages"));
        for (int row = 0; row < 5; ++row) {
            pages->setCurrentRow(row);
            EXPECT_EQ(pages->currentRow(), row);
            const QString file = saveScreenshot(dialog, QString::fromLatin1(names[row]));
            const QImage shot(file);
            EXPECT_GE(shot.width(), 500) << names[row];
            EXPECT_GE(shot.height(), 300) << names[row];
        }
        dialog.done(0);
    });
    dialog.runModal();
}

} // namespace
} // namespace zerka::test
