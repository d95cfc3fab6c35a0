#include "chip/options_model.h"
#include "gui/options/option_widgets.h"
#include "gui/options/options_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {
QGroupBox* group(QWidget* parent, const std::string& name, QVBoxLayout** column) {
    auto* g = named(new QGroupBox(parent), name);
    *column = new QVBoxLayout(g);
    return g;
}

// Output switches and the plain check boxes store their state at once; the others go through
// the model's rules.
constexpr bool kStores = true;
} // namespace

ConfigPage::ConfigPage(const OptionsPageContext& context, QWidget* parent)
    : OptionsPageWidget(context, parent) {
    OptionsControls& c = model_.controls();
    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
    static_cast<QVBoxLayout*>(layout())->addStretch();

    QVBoxLayout* col = nullptr;
    // A check box in the group being built, bound to its record.
    const auto check = [this, &c, &col](QGroupBox* g, CheckControl OptionsControls::*control,
                                        bool stores = false) {
        auto* box = named(new QCheckBox(g), (c.*control).name);
        col->addWidget(box);
        if (stores)
            bindCheck(box, control);
        else
            follow(box, control);
        return box;
    };
    // A group box with a record of its own follows it.
    const auto boundGroup = [this, &c, &col]<typename C>(C OptionsControls::*control) {
        QGroupBox* g = group(this, (c.*control).name, &col);
        follow(g, control);
        return g;
    };
    filesGroup_ = group(this, "filesGroup", &col);
    asc_ = check(filesGroup_, &OptionsControls::CkASC, kStores);
    list_ = check(filesGroup_, &OptionsControls::CkList, kStores);
    bin_ = check(filesGroup_, &OptionsControls::CkBin, kStores);
    bin2_ = check(filesGroup_, &OptionsControls::CkBin2, kStores);
    binInv_ = check(filesGroup_, &OptionsControls::CkBinInv, kStores);
    mask_ = check(filesGroup_, &OptionsControls::CkMask, kStores);
    ascInv_ = check(filesGroup_, &OptionsControls::CkASCInv, kStores);
    toolEdit_ = check(filesGroup_, &OptionsControls::CkToolEdit, kStores);
    grid->addWidget(filesGroup_, 0, 0);

    fillGroup_ = boundGroup(&OptionsControls::fillMode);
    auto* fills = new QButtonGroup(fillGroup_);
    for (size_t i = 0; i < 3 && i < c.fillMode.buttons.size(); ++i) {
        fill_[i] = named(new QRadioButton(fillGroup_), "fill" + std::to_string(i));
        fills->addButton(fill_[i]);
        col->addWidget(fill_[i]);
        const int value = c.fillMode.buttons[i].value;
        onClicked(fill_[i], [this, value](bool) { model_.setFillMode(value); });
    }
    grid->addWidget(fillGroup_, 1, 0);

    compilerGroup_ = group(this, "compilerGroup", &col);
    smart_ = check(compilerGroup_, &OptionsControls::SmartCompiler);
    optimization_ = check(compilerGroup_, &OptionsControls::COptimization);
    protect_ = check(compilerGroup_, &OptionsControls::CProtect, kStores);
    grid->addWidget(compilerGroup_, 2, 0);

    // Two exclusive choices side by side in a group.
    const auto pair = [this, &col](QGroupBox* box, QRadioButton*& a,
                                   CheckControl OptionsControls::*aControl, QRadioButton*& b,
                                   CheckControl OptionsControls::*bControl) {
        auto* row = new QHBoxLayout;
        col->addLayout(row);
        a = named(new QRadioButton(box), (model_.controls().*aControl).name);
        b = named(new QRadioButton(box), (model_.controls().*bControl).name);
        follow(a, aControl);
        follow(b, bControl);
        auto* choices = new QButtonGroup(box);
        choices->addButton(a);
        choices->addButton(b);
        row->addWidget(a);
        row->addWidget(b);
        row->addStretch();
    };
    coreGroup_ = boundGroup(&OptionsControls::coreGroup);
    pair(coreGroup_, cx4a_, &OptionsControls::PCX4A, cx4b_, &OptionsControls::PCX4B);
    grid->addWidget(coreGroup_, 0, 1);

    stackGroup_ = boundGroup(&OptionsControls::stackGroup);
    stackReset_ = check(stackGroup_, &OptionsControls::STKOVRST, kStores);
    stackStop_ = check(stackGroup_, &OptionsControls::STKOVSTOP, kStores);
    grid->addWidget(stackGroup_, 1, 1);

    acmGroup_ = boundGroup(&OptionsControls::acmGroup);
    pair(acmGroup_, acm10_, &OptionsControls::RACM10, acm12_, &OptionsControls::RACM12);
    grid->addWidget(acmGroup_, 2, 1);

    wdtGroup_ = boundGroup(&OptionsControls::wdtGroup);
    wdtJmp0_ = check(wdtGroup_, &OptionsControls::ChWDTJMPOO, kStores);
    grid->addWidget(wdtGroup_, 3, 1);
    grid->setRowStretch(4, 1);

    onClicked(smart_, [this](bool on) { model_.setSmartCompiler(on); });
    onClicked(optimization_, [this](bool on) { model_.setOptimization(on); });
    onClicked(cx4a_, [this](bool on) { model_.clickCX4A(on); });
    onClicked(cx4b_, [this](bool on) { model_.clickCX4B(on); });
    onClicked(acm10_, [this](bool) { model_.selectAcm(false); });
    onClicked(acm12_, [this](bool) { model_.selectAcm(true); });
}

void ConfigPage::refreshUnbound() {
    const OptionsControls& c = model_.controls();
    for (size_t i = 0; i < 3 && i < c.fillMode.buttons.size(); ++i) {
        const RadioGroupControl::Button& b = c.fillMode.buttons[i];
        CheckControl state;
        state.checked = b.value == c.fillMode.value;
        state.enabled = b.enabled;
        state.visible = b.visible;
        syncWidget(fill_[i], state);
    }
}

void ConfigPage::applyCaptions() {
    const OptionsControls& c = model_.controls();
    setCaption(heading(), tableText(TextId::BuildOptions));
    setCaption(filesGroup_, tableText(TextId::GenerateFiles));
    setCaption(asc_, tableText(TextId::AsciiFile));
    setCaption(list_, tableText(TextId::ListFile));
    setCaption(bin_, tableText(TextId::HexFile));
    setCaption(bin2_, tableText(TextId::ObjFile));
    setCaption(binInv_, tableText(TextId::HexFileInverted));
    setCaption(mask_, tableText(TextId::MaskFile));
    setCaption(ascInv_, textOf(c.CkASCInv.caption));
    setCaption(toolEdit_, tableText(TextId::EnableToolBar));
    setCaption(fillGroup_, tableText(TextId::NoUseAreaFill));
    for (size_t i = 0; i < 3 && i < c.fillMode.buttons.size(); ++i) {
        // The captions' leading blanks lined the values up in the original font.
        setCaption(fill_[i], textOf(c.fillMode.buttons[i].caption).trimmed());
    }
    setCaption(compilerGroup_, tableText(TextId::Compiler));
    setCaption(smart_, tableText(TextId::SmartCompiler));
    setCaption(optimization_, tableText(TextId::Optimization));
    setCaption(protect_, tableText(TextId::ProgramProtect));
    setCaption(coreGroup_, tableText(TextId::CompilerSelect));
    setCaption(cx4a_, textOf(c.PCX4A.caption));
    setCaption(cx4b_, textOf(c.PCX4B.caption));
    setCaption(stackGroup_, tableText(TextId::StackOption));
    setCaption(stackReset_, tableText(TextId::StackOverReset));
    setCaption(stackStop_, textOf(c.STKOVSTOP.caption));
    setCaption(acmGroup_, textOf(c.acmGroup.caption));
    setCaption(acm10_, textOf(c.RACM10.caption));
    setCaption(acm12_, textOf(c.RACM12.caption));
    setCaption(wdtGroup_, textOf(c.wdtGroup.caption));
    setCaption(wdtJmp0_, textOf(c.ChWDTJMPOO.caption));
}

} // namespace zerka::gui
