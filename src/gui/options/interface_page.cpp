#include "chip/options_model.h"
#include "gui/options/option_widgets.h"
#include "gui/options/options_pages.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

namespace {
QComboBox* combo(QWidget* parent, const std::string& name) {
    auto* c = named(new QComboBox(parent), name);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    c->setMinimumContentsLength(16);
    return c;
}
} // namespace

void InterfacePage::build() {
    OptionsControls& c = model_.controls();
    auto* page = static_cast<QVBoxLayout*>(layout());

    chipGroup_ = named(new QGroupBox(this), "chipGroup");
    chipLabel_ = new QLabel(chipGroup_);
    chip_ = combo(chipGroup_, c.CbSeluP.name);
    auto* chipForm = new QFormLayout(chipGroup_);
    chipForm->addRow(chipLabel_, chip_);
    page->addWidget(chipGroup_);

    iceGroup_ = named(new QGroupBox(this), c.iceGroup.name);
    interfaceLabel_ = new QLabel(iceGroup_);
    interface_ = combo(iceGroup_, c.SelLPT.name);
    auto* iceForm = new QFormLayout(iceGroup_);
    iceForm->addRow(interfaceLabel_, interface_);
    page->addWidget(iceGroup_);

    languageGroup_ = named(new QGroupBox(this), "languageGroup");
    languageLabel_ = new QLabel(languageGroup_);
    language_ = combo(languageGroup_, c.CbSelLang.name);
    auto* languageForm = new QFormLayout(languageGroup_);
    languageForm->addRow(languageLabel_, language_);
    page->addWidget(languageGroup_);

    modeGroup_ = named(new QGroupBox(this), "ideModeGroup");
    debugger_ = named(new QRadioButton(modeGroup_), c.PICE.name);
    programmer_ = named(new QRadioButton(modeGroup_), c.PProg.name);
    auto* modes = new QButtonGroup(modeGroup_);
    modes->addButton(debugger_);
    modes->addButton(programmer_);
    auto* modeRow = new QHBoxLayout(modeGroup_);
    modeRow->addWidget(debugger_);
    modeRow->addWidget(programmer_);
    modeRow->addStretch();
    page->addWidget(modeGroup_);

    romGroup_ = named(new QGroupBox(this), c.romGroup.name);
    romLabel_ = new QLabel(romGroup_);
    rom_ = combo(romGroup_, c.SELROM.name);
    auto* romForm = new QFormLayout(romGroup_);
    romForm->addRow(romLabel_, rom_);
    page->addWidget(romGroup_);
    page->addStretch();

    onActivated(chip_, [this](int index) {
        std::string error;
        report(model_.chooseChip(index, &error) ? QString() : textOf(error));
    });
    onActivated(interface_, [this](int index) { model_.selectInterface(index); });
    onActivated(language_, [this](int index) { model_.selectLanguage(index); });
    onClicked(debugger_, [this](bool) { model_.selectIdeMode(IdeMode::Debugger); });
    onClicked(programmer_, [this](bool) { model_.selectIdeMode(IdeMode::Programmer); });
    onActivated(rom_, [this](int index) { model_.selectRom(index); });
}

void InterfacePage::refresh() {
    const OptionsControls& c = model_.controls();
    syncChoice(chip_, c.CbSeluP);
    syncGroup(iceGroup_, c.iceGroup);
    syncChoice(interface_, c.SelLPT);
    syncChoice(language_, c.CbSelLang);
    syncCheck(debugger_, c.PICE);
    syncCheck(programmer_, c.PProg);
    syncGroup(romGroup_, c.romGroup);
    // The engineer's second program-memory type is only of use when it can be chosen.
    if (model_.engineerMode()) romGroup_->setVisible(true);
    syncChoice(rom_, c.SELROM);
}

void InterfacePage::applyCaptions() {
    const OptionsControls& c = model_.controls();
    setCaption(heading(), tableText(TextId::InterfaceSetup));
    setCaption(chipGroup_, tableText(TextId::ChipSelect));
    setCaption(chipLabel_, tableText(TextId::SelectChip) + QLatin1Char(':'));
    nameField(chip_, chipLabel_);
    setCaption(iceGroup_, tableText(TextId::HardwareInterface));
    setCaption(interfaceLabel_, tableText(TextId::InterfaceMode) + QLatin1Char(':'));
    nameField(interface_, interfaceLabel_, tableText(TextId::LPTPortOrUSB));
    setCaption(languageGroup_, tr("Language"));
    setCaption(languageLabel_, tr("Message language:"));
    nameField(language_, languageLabel_);
    setCaption(modeGroup_, tableText(TextId::IDEMode));
    setCaption(debugger_, tableText(TextId::EmulateAndDebug));
    setCaption(programmer_, tableText(TextId::IdeModeProgrammer));
    setCaption(romGroup_, tableText(TextId::ProgramMemorySelect));
    setCaption(romLabel_, textOf(c.romGroup.caption) + QLatin1Char(':'));
    nameField(rom_, romLabel_);
    // One label column through all groups, so the selectors line up.
    int width = 0;
    for (QLabel* label : {chipLabel_, interfaceLabel_, languageLabel_, romLabel_})
        width = std::max(width, label->sizeHint().width());
    for (QLabel* label : {chipLabel_, interfaceLabel_, languageLabel_, romLabel_})
        label->setMinimumWidth(width);
}

} // namespace zerka::gui
