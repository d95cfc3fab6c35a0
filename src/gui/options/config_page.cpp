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
template <typename B> B* button(QWidget* parent, QVBoxLayout* column, const CheckControl& c) {
    auto* b = named(new B(parent), c.name);
    column->addWidget(b);
    return b;
}

QGroupBox* group(QWidget* parent, const std::string& name, QVBoxLayout** column) {
    auto* g = named(new QGroupBox(parent), name);
    *column = new QVBoxLayout(g);
    return g;
}
} // namespace

void ConfigPage::build() {
    OptionsControls& c = model_.controls();
    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
    static_cast<QVBoxLayout*>(layout())->addStretch();

    QVBoxLayout* col = nullptr;
    filesGroup_ = group(this, "filesGroup", &col);
    asc_ = button<QCheckBox>(filesGroup_, col, c.CkASC);
    list_ = button<QCheckBox>(filesGroup_, col, c.CkList);
    bin_ = button<QCheckBox>(filesGroup_, col, c.CkBin);
    bin2_ = button<QCheckBox>(filesGroup_, col, c.CkBin2);
    binInv_ = button<QCheckBox>(filesGroup_, col, c.CkBinInv);
    mask_ = button<QCheckBox>(filesGroup_, col, c.CkMask);
    ascInv_ = button<QCheckBox>(filesGroup_, col, c.CkASCInv);
    toolEdit_ = button<QCheckBox>(filesGroup_, col, c.CkToolEdit);
    grid->addWidget(filesGroup_, 0, 0);

    fillGroup_ = group(this, c.fillMode.name, &col);
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
    smart_ = button<QCheckBox>(compilerGroup_, col, c.SmartCompiler);
    optimization_ = button<QCheckBox>(compilerGroup_, col, c.COptimization);
    protect_ = button<QCheckBox>(compilerGroup_, col, c.CProtect);
    grid->addWidget(compilerGroup_, 2, 0);

    // Two exclusive choices side by side in a group.
    const auto pair = [&col](QGroupBox* box, QRadioButton*& a, const std::string& aName,
                             QRadioButton*& b, const std::string& bName) {
        auto* row = new QHBoxLayout;
        col->addLayout(row);
        a = named(new QRadioButton(box), aName);
        b = named(new QRadioButton(box), bName);
        auto* choices = new QButtonGroup(box);
        choices->addButton(a);
        choices->addButton(b);
        row->addWidget(a);
        row->addWidget(b);
        row->addStretch();
    };
    coreGroup_ = group(this, c.coreGroup.name, &col);
    pair(coreGroup_, cx4a_, c.PCX4A.name, cx4b_, c.PCX4B.name);
    grid->addWidget(coreGroup_, 0, 1);

    stackGroup_ = group(this, c.stackGroup.name, &col);
    stackReset_ = button<QCheckBox>(stackGroup_, col, c.STKOVRST);
    stackStop_ = button<QCheckBox>(stackGroup_, col, c.STKOVSTOP);
    grid->addWidget(stackGroup_, 1, 1);

    acmGroup_ = group(this, c.acmGroup.name, &col);
    pair(acmGroup_, acm10_, c.RACM10.name, acm12_, c.RACM12.name);
    grid->addWidget(acmGroup_, 2, 1);

    wdtGroup_ = group(this, c.wdtGroup.name, &col);
    wdtJmp0_ = button<QCheckBox>(wdtGroup_, col, c.ChWDTJMPOO);
    grid->addWidget(wdtGroup_, 3, 1);
    grid->setRowStretch(4, 1);

    // Output switches and the plain check boxes store their state at once.
    storeCheck(asc_, &OptionsControls::CkASC);
    storeCheck(list_, &OptionsControls::CkList);
    storeCheck(bin_, &OptionsControls::CkBin);
    storeCheck(bin2_, &OptionsControls::CkBin2);
    storeCheck(binInv_, &OptionsControls::CkBinInv);
    storeCheck(mask_, &OptionsControls::CkMask);
    storeCheck(ascInv_, &OptionsControls::CkASCInv);
    storeCheck(toolEdit_, &OptionsControls::CkToolEdit);
    storeCheck(protect_, &OptionsControls::CProtect);
    storeCheck(stackReset_, &OptionsControls::STKOVRST);
    storeCheck(stackStop_, &OptionsControls::STKOVSTOP);
    storeCheck(wdtJmp0_, &OptionsControls::ChWDTJMPOO);

    onClicked(smart_, [this](bool on) { model_.setSmartCompiler(on); });
    onClicked(optimization_, [this](bool on) { model_.setOptimization(on); });
    onClicked(cx4a_, [this](bool on) { model_.clickCX4A(on); });
    onClicked(cx4b_, [this](bool on) { model_.clickCX4B(on); });
    onClicked(acm10_, [this](bool) { model_.selectAcm(false); });
    onClicked(acm12_, [this](bool) { model_.selectAcm(true); });
}

void ConfigPage::refresh() {
    const OptionsControls& c = model_.controls();
    syncCheck(asc_, c.CkASC);
    syncCheck(list_, c.CkList);
    syncCheck(bin_, c.CkBin);
    syncCheck(bin2_, c.CkBin2);
    syncCheck(binInv_, c.CkBinInv);
    syncCheck(mask_, c.CkMask);
    syncCheck(ascInv_, c.CkASCInv);
    syncCheck(toolEdit_, c.CkToolEdit);

    syncGroup(fillGroup_, c.fillMode);
    for (size_t i = 0; i < 3 && i < c.fillMode.buttons.size(); ++i) {
        const RadioGroupControl::Button& b = c.fillMode.buttons[i];
        CheckControl state;
        state.checked = b.value == c.fillMode.value;
        state.enabled = b.enabled;
        state.visible = b.visible;
        syncCheck(fill_[i], state);
    }

    syncCheck(smart_, c.SmartCompiler);
    syncCheck(optimization_, c.COptimization);
    syncCheck(protect_, c.CProtect);
    syncGroup(coreGroup_, c.coreGroup);
    syncCheck(cx4a_, c.PCX4A);
    syncCheck(cx4b_, c.PCX4B);
    syncGroup(stackGroup_, c.stackGroup);
    syncCheck(stackReset_, c.STKOVRST);
    syncCheck(stackStop_, c.STKOVSTOP);
    syncGroup(acmGroup_, c.acmGroup);
    syncCheck(acm10_, c.RACM10);
    syncCheck(acm12_, c.RACM12);
    syncGroup(wdtGroup_, c.wdtGroup);
    syncCheck(wdtJmp0_, c.ChWDTJMPOO);
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
