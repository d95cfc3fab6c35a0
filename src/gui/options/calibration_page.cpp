#include "chip/options_model.h"
#include "gui/options/option_widgets.h"
#include "gui/options/options_pages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {
QLineEdit* numberEdit(QWidget* parent, const std::string& name, int top, int chars) {
    auto* e = named(new QLineEdit(parent), name);
    e->setValidator(new QIntValidator(0, top, e));
    e->setAlignment(Qt::AlignRight);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (chars + 2) + 12);
    return e;
}

// A row of the grid: the caption, the number box and its unit.
void addNumberRow(QGridLayout* grid, int row, QLabel* label, QLineEdit* box, QLabel* unit) {
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(unit, row, 2);
}
} // namespace

CalibrationPage::CalibrationPage(const OptionsPageContext& context, QWidget* parent)
    : OptionsPageWidget(context, parent) {
    OptionsControls& c = model_.controls();
    auto* page = static_cast<QVBoxLayout*>(layout());
    group_ = named(new QGroupBox(this), c.calibrationGroup.name);
    auto* grid = new QGridLayout(group_);

    hardware_ = named(new QCheckBox(group_), c.EnHAO.name);
    grid->addWidget(hardware_, 0, 0, 1, 5);

    haoLabel_ = new QLabel(group_);
    hao_ = numberEdit(group_, c.EHAO.name, 99999999, 8);
    haoUnit_ = new QLabel(QStringLiteral("Hz"), group_);
    range_ = named(new QLabel(group_), "haoRange");
    addNumberRow(grid, 1, haoLabel_, hao_, haoUnit_);
    grid->addWidget(range_, 1, 3);

    permissLabel_ = new QLabel(group_);
    permiss_ = numberEdit(group_, c.EPERMISS.name, 999, 3);
    permissUnit_ = new QLabel(QStringLiteral("%"), group_);
    addNumberRow(grid, 2, permissLabel_, permiss_, permissUnit_);

    softwareHao_ = named(new QCheckBox(group_), c.EnSHAO.name);
    grid->addWidget(softwareHao_, 3, 0, 1, 5);

    lpoLabel_ = new QLabel(group_);
    lpo_ = numberEdit(group_, c.ELAO.name, 999999, 6);
    lpoUnit_ = new QLabel(QStringLiteral("Hz"), group_);
    addNumberRow(grid, 4, lpoLabel_, lpo_, lpoUnit_);
    softwareLpo_ = named(new QCheckBox(group_), c.EnSLAO.name);
    grid->addWidget(softwareLpo_, 5, 0, 1, 5);
    grid->setColumnStretch(4, 1);

    page->addWidget(group_);
    page->addStretch();

    follow(group_, &OptionsControls::calibrationGroup);
    // The switches go through the model's rules, which keep them consistent.
    const auto bindSwitch = [this](QCheckBox* box, CheckControl OptionsControls::*control,
                                   CalibrationSwitch which) {
        follow(box, control);
        onClicked(box, [this, which](bool on) { model_.clickCalibrationSwitch(which, on); });
    };
    bindSwitch(hardware_, &OptionsControls::EnHAO, CalibrationSwitch::Hardware);
    bindSwitch(softwareHao_, &OptionsControls::EnSHAO, CalibrationSwitch::SoftwareHao);
    bindSwitch(softwareLpo_, &OptionsControls::EnSLAO, CalibrationSwitch::SoftwareLpo);
    bindText(hao_, &OptionsControls::EHAO);
    bindText(permiss_, &OptionsControls::EPERMISS);
    bindText(lpo_, &OptionsControls::ELAO);
}

void CalibrationPage::refreshUnbound() {
    const OptionsControls& c = model_.controls();
    // The accepted HAO range and the permissible error belong to the hardware calibration.
    const bool hardware = c.EnHAO.checked;
    range_->setVisible(hardware);
    permissLabel_->setVisible(hardware && c.EPERMISS.visible);
    permiss_->setVisible(hardware && c.EPERMISS.visible);
    permissUnit_->setVisible(hardware && c.EPERMISS.visible);
    const HaoConstants& hao = model_.chip().hao;
    range_->setText(QStringLiteral("( RANGE %1 ~ %2 Hz )").arg(hao.w5).arg(hao.w6));
}

void CalibrationPage::applyCaptions() {
    const OptionsControls& c = model_.controls();
    setCaption(heading(), textOf(c.calibrationGroup.caption));
    setCaption(group_, tr("Oscillator calibration while programming"));
    setCaption(hardware_, textOf(c.EnHAO.caption));
    setCaption(haoLabel_, textOf(c.EHAO.caption) + QLatin1Char(':'));
    nameField(hao_, haoLabel_, tr("HAO target frequency in Hz"));
    setCaption(permissLabel_, tr("Permissible error ±"));
    nameField(permiss_, permissLabel_, tr("1 to 100 percent"));
    setCaption(softwareHao_, textOf(c.EnSHAO.caption) + QStringLiteral(" (HAO)"));
    setCaption(lpoLabel_, textOf(c.ELAO.caption) + QLatin1Char(':'));
    nameField(lpo_, lpoLabel_, tr("LPO target frequency in Hz, 22000 to 35000"));
    setCaption(softwareLpo_, textOf(c.EnSLAO.caption) + QStringLiteral(" (LPO)"));
    haoUnit_->setAccessibleName(QStringLiteral("Hz"));
    lpoUnit_->setAccessibleName(QStringLiteral("Hz"));
    permissUnit_->setAccessibleName(QStringLiteral("%"));
    range_->setAccessibleName(tr("Accepted HAO range"));
}

} // namespace zerka::gui
