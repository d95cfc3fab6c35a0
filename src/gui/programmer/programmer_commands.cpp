#include "gui/programmer/programmer_commands.h"

#include "gui/programmer/burner_confirm_dialog.h"
#include "gui/programmer/programmer_page.h"
#include "gui/programmer/read_result_view.h"
#include "shell/shell.h"

#include <QFileDialog>

namespace zerka::gui {

ProgrammerCommands::ProgrammerCommands(ProgrammerSession& session, ProgrammerPage& page,
                                       ReadResultView& view, QWidget* dialogParent)
    : QObject(dialogParent), session_(session), page_(page), view_(view), parent_(dialogParent) {
    confirm = [](BurnerConfirmDialog& d) { return d.exec() == QDialog::Accepted; };
    chooseHexFile = [this]() -> std::optional<std::string> {
        const QString f = QFileDialog::getOpenFileName(parent_, QStringLiteral("Open"), {},
                                                       QStringLiteral("*.hex *.Hex *.HEX"));
        if (f.isEmpty()) return std::nullopt;
        return f.toStdString();
    };
    shown_ = session_.wordsShown.connect(
        [this](const std::vector<uint16_t>& words) { view_.showWords(words); });
}

ProgrammerCommands::~ProgrammerCommands() {
    session_.wordsShown.disconnect(shown_);
}

BurnerConfirmDialog& ProgrammerCommands::confirmDialog() {
    // Made when first needed: most sessions never download, and the window is dear at start-up.
    if (!confirm_) {
        confirm_ = new BurnerConfirmDialog(parent_);
        // The version chosen in the window rules the calibration switches at once.
        connect(confirm_, &BurnerConfirmDialog::versionChosen, &page_,
                &ProgrammerPage::applyBurnerVersion);
    }
    return *confirm_;
}

void ProgrammerCommands::run(Command command) {
    if (running_) return; // one operation at a time: the first one owns the programmer
    running_ = true;
    Q_EMIT running(true);
    const ChipModel& chip = session_.chip();
    ChipReadResult readResult;
    FlashReadBack back;
    switch (command) {
    case Command::ProgBlank:
        session_.blank();
        break;
    case Command::ProgProgram:
        session_.program();
        break;
    case Command::ProgVerify:
        session_.verify();
        break;
    case Command::ProgAuto:
        session_.autoProgram();
        break;
    case Command::ProgRead:
        // The grid is sized for the selected chip and emptied before the read.
        view_.clearWords(int(chip.romWords / 16 + chip.bieBank));
        session_.read(readResult);
        break;
    case Command::DownLoad:
        downloadCommand();
        break;
    case Command::ReadFlash:
        session_.readBack(back);
        break;
    default:
        break;
    }
    const bool read = command == Command::ProgRead || command == Command::ReadFlash;
    if (read && showResult) showResult();
    if (!read && showLog) showLog();
    running_ = false;
    Q_EMIT running(false);
}

void ProgrammerCommands::downloadCommand() {
    ShellParts& parts = session_.shell().parts();
    confirmDialog().setChoices(parts.library.chipSelectorTexts(), page_.chipIndex(),
                               page_.burnerVersion());
    parts.ui.busy(true);
    const bool ok = confirm && confirm(*confirm_);
    if (!ok) {
        parts.ui.busy(false);
        return;
    }
    page_.setChipIndex(confirm_->chipIndex());
    page_.setBurnerVersion(confirm_->version());
    parts.options.restoreChipIndex(confirm_->chipIndex());
    parts.options.reloadChip();
    const std::optional<std::string> file = chooseHexFile ? chooseHexFile() : std::nullopt;
    if (!file) {
        parts.ui.busy(false);
        return;
    }
    // The page shows what the image is before it goes to the programmer.
    ProgrammerImage image;
    if (readWordImage(*file, (session_.chip().romWords / 256) * 256, image))
        page_.showImageInfo(image.infoBlock);
    view_.clearWords(int(session_.chip().romWords / 16 + 1));
    const ProgOutcome out = session_.download(*file);
    // The download switched the programmer's own functions off: show them as they are now.
    if (out.success) page_.readBurnerSetting();
}

} // namespace zerka::gui
