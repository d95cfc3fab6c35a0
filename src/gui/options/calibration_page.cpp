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

} // namespace

CalibrationPage::CalibrationPage(const OptionsPageContext& context, QWidget* parent)
    : OptionsPageWidget(context, parent) {
    OptionsControls& c = model_.controls();
    auto* page = static_cast<QVBoxLayout*>(layout());
    group_ = named(new QGroupBox(this), c.calibrationGroup.name);
    auto* grid = new QGridLayout(group_);

    // A switch across the row; the switches go through the model's rules, which keep them
    // consistent.
    const auto switchRow = [&](int row, CheckControl OptionsControls::*control,
                               CalibrationSwitch which) {
        auto* box = named(new QCheckBox(group_), (c.*control).name);
        grid->addWidget(box, row, 0, 1, 5);
        follow(box, control);
        onClicked(box, [this, which](bool on) { model_.clickCalibrationSwitch(which, on); });
        return box;
    };
    // A row of the caption, the number box bound to its record, and the box's unit.
    const auto numberRow = [&](int row, QLabel*& label, QLineEdit*& box, QLabel*& unit,
                               EditControl OptionsControls::*control, int top, int chars,
                               const QString& unitText) {
        label = new QLabel(group_);
        box = numberEdit(group_, (c.*control).name, top, chars);
        unit = new QLabel(unitText, group_);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(unit, row, 2);
        bindText(box, control);
    };
    hardware_ = switchRow(0, &OptionsControls::EnHAO, CalibrationSwitch::Hardware);
    numberRow(1, haoLabel_, hao_, haoUnit_, &OptionsControls::EHAO, 99999999, 8,
              QStringLiteral("Hz"));
    range_ = named(new QLabel(group_), "haoRange");
    grid->addWidget(range_, 1, 3);
    numberRow(2, permissLabel_, permiss_, permissUnit_, &OptionsControls::EPERMISS, 999, 3,
              QStringLiteral("%"));
    softwareHao_ = switchRow(3, &OptionsControls::EnSHAO, CalibrationSwitch::SoftwareHao);
    numberRow(4, lpoLabel_, lpo_, lpoUnit_, &OptionsControls::ELAO, 999999, 6,
              QStringLiteral("Hz"));
    softwareLpo_ = switchRow(5, &OptionsControls::EnSLAO, CalibrationSwitch::SoftwareLpo);
    grid->setColumnStretch(4, 1);
    follow(group_, &OptionsControls::calibrationGroup);

    page->addWidget(group_);
    page->addStretch();
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
