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

InterfacePage::InterfacePage(const OptionsPageContext& context, QWidget* parent)
    : OptionsPageWidget(context, parent) {
    OptionsControls& c = model_.controls();
    auto* page = static_cast<QVBoxLayout*>(layout());

    // A group holding one labelled selector, bound to its record.
    const auto selectorGroup = [this, &c, page](const std::string& groupName, QGroupBox*& group,
                                                QLabel*& label, QComboBox*& box,
                                                ChoiceControl OptionsControls::*control) {
        group = named(new QGroupBox(this), groupName);
        label = new QLabel(group);
        box = named(new QComboBox(group), (c.*control).name);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setMinimumContentsLength(16);
        follow(box, control);
        auto* form = new QFormLayout(group);
        form->addRow(label, box);
        page->addWidget(group);
    };
    selectorGroup("chipGroup", chipGroup_, chipLabel_, chip_, &OptionsControls::CbSeluP);
    selectorGroup(c.iceGroup.name, iceGroup_, interfaceLabel_, interface_,
                  &OptionsControls::SelLPT);
    follow(iceGroup_, &OptionsControls::iceGroup);
    selectorGroup("languageGroup", languageGroup_, languageLabel_, language_,
                  &OptionsControls::CbSelLang);

    modeGroup_ = named(new QGroupBox(this), "ideModeGroup");
    debugger_ = named(new QRadioButton(modeGroup_), c.PICE.name);
    programmer_ = named(new QRadioButton(modeGroup_), c.PProg.name);
    follow(debugger_, &OptionsControls::PICE);
    follow(programmer_, &OptionsControls::PProg);
    auto* modes = new QButtonGroup(modeGroup_);
    modes->addButton(debugger_);
    modes->addButton(programmer_);
    auto* modeRow = new QHBoxLayout(modeGroup_);
    modeRow->addWidget(debugger_);
    modeRow->addWidget(programmer_);
    modeRow->addStretch();
    page->addWidget(modeGroup_);

    selectorGroup(c.romGroup.name, romGroup_, romLabel_, rom_, &OptionsControls::SELROM);
    follow(romGroup_, &OptionsControls::romGroup);
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

void InterfacePage::refreshUnbound() {
    // The engineer's second program-memory type is only of use when it can be chosen.
    if (model_.engineerMode()) romGroup_->setVisible(true);
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
