#include "chip/options_model.h"
#include "gui/options/option_widgets.h"
#include "gui/options/options_pages.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <optional>

namespace zerka::gui {

namespace {
constexpr uint32_t kProgramAddressLimit = 0x7FFF;
constexpr uint32_t kDataAddressLimit = 0x1FF;

QLineEdit* hexEdit(QWidget* parent, const char* name, int digits) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(digits);
    e->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,%1}").arg(digits)), e));
    e->setPlaceholderText(QString(digits, QLatin1Char('0')));
    return e;
}

QPushButton* pushButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// A box's hexadecimal value when it holds one within `limit`.
std::optional<uint32_t> hexBox(const QLineEdit* box, uint32_t limit) {
    bool ok = false;
    const uint32_t value = box->text().trimmed().toUInt(&ok, 16);
    if (!ok || value > limit) return std::nullopt;
    return value;
}

QString hex(uint32_t value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}
} // namespace

// One of the two memories the page reads and writes a cell of.
struct DebugToolPage::Memory {
    int addressDigits;
    uint32_t addressLimit;
    int valueDigits;
    TextId error;
    std::function<bool(OptionsHardwareTools&, uint16_t address, uint32_t value)> write;
    std::function<std::optional<uint32_t>(OptionsHardwareTools&, uint16_t address)> read;

    uint32_t valueLimit() const { return (1u << (4 * valueDigits)) - 1; }
    QString addressRange() const {
        return hex(0, addressDigits) + QLatin1Char('~') + hex(addressLimit, addressDigits);
    }
};

namespace {
const DebugToolPage::Memory kProgramMemory{
    .addressDigits = 4,
    .addressLimit = kProgramAddressLimit,
    .valueDigits = 4,
    .error = TextId::ProgramMemoryAccessedError,
    .write = [](OptionsHardwareTools& t, uint16_t a,
                uint32_t v) { return t.writeProgramWord(a, uint16_t(v)); },
    .read = [](OptionsHardwareTools& t, uint16_t a) -> std::optional<uint32_t> {
        return t.readProgramWord(a);
    }};
const DebugToolPage::Memory kDataMemory{
    .addressDigits = 3,
    .addressLimit = kDataAddressLimit,
    .valueDigits = 2,
    .error = TextId::RamAccessedError,
    .write = [](OptionsHardwareTools& t, uint16_t a,
                uint32_t v) { return t.writeDataByte(a, uint8_t(v)); },
    .read = [](OptionsHardwareTools& t, uint16_t a) -> std::optional<uint32_t> {
        return t.readDataByte(a);
    }};
} // namespace

DebugToolPage::DebugToolPage(const OptionsPageContext& context, QWidget* parent)
    : OptionsPageWidget(context, parent) {
    auto* page = static_cast<QVBoxLayout*>(layout());
    noUnit_ = named(new QLabel(this), "noUnit");
    noUnit_->setWordWrap(true);
    page->addWidget(noUnit_);

    voltageGroup_ = named(new QGroupBox(this), model_.controls().voltagePanel.name);
    auto* volts = new QGridLayout(voltageGroup_);
    ckVpp_ = pushButton(voltageGroup_, "CkVpp");
    ckVcc_ = pushButton(voltageGroup_, "CkVcc");
    ckAll_ = pushButton(voltageGroup_, "CkAll");
    vppLabel_ = new QLabel(voltageGroup_);
    vccLabel_ = new QLabel(voltageGroup_);
    vpp_ = named(new QLabel(voltageGroup_), "VppValue");
    vcc_ = named(new QLabel(voltageGroup_), "VccValue");
    for (QLabel* v : {vpp_, vcc_}) {
        v->setFrameShape(QFrame::StyledPanel);
        v->setMinimumWidth(v->fontMetrics().horizontalAdvance(QStringLiteral("00.00 V")) + 12);
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    volts->addWidget(ckVpp_, 0, 0);
    volts->addWidget(vppLabel_, 0, 1);
    volts->addWidget(vpp_, 0, 2);
    volts->addWidget(ckVcc_, 1, 0);
    volts->addWidget(vccLabel_, 1, 1);
    volts->addWidget(vcc_, 1, 2);
    volts->addWidget(ckAll_, 2, 0);
    volts->setColumnStretch(3, 1);
    page->addWidget(voltageGroup_);

    const auto accessGroup = [this](const char* name, QLabel** addressLabel, QLineEdit** address,
                                    int addressDigits, QLabel** valueLabel, QLineEdit** value,
                                    int valueDigits, QLabel** readLabel, QLineEdit** read,
                                    QPushButton** write, QPushButton** readButton) {
        auto* g = new QGroupBox(this);
        g->setObjectName(QLatin1String(name));
        auto* row = new QHBoxLayout(g);
        auto* form = new QFormLayout;
        *addressLabel = new QLabel(g);
        *address = hexEdit(g, (std::string(name) + "Address").c_str(), addressDigits);
        *valueLabel = new QLabel(g);
        *value = hexEdit(g, (std::string(name) + "Value").c_str(), valueDigits);
        *readLabel = new QLabel(g);
        *read = hexEdit(g, (std::string(name) + "Read").c_str(), valueDigits);
        (*read)->setReadOnly(true);
        form->addRow(*addressLabel, *address);
        form->addRow(*valueLabel, *value);
        form->addRow(*readLabel, *read);
        row->addLayout(form, 1);
        auto* buttons = new QVBoxLayout;
        *write = pushButton(g, (std::string(name) + "Write").c_str());
        *readButton = pushButton(g, (std::string(name) + "ReadButton").c_str());
        buttons->addWidget(*write);
        buttons->addWidget(*readButton);
        buttons->addStretch();
        row->addLayout(buttons);
        return g;
    };
    auto* memories = new QHBoxLayout;
    programGroup_ = accessGroup("program", &programAddressLabel_, &programAddress_, 4,
                                &programValueLabel_, &programValue_, 4, &programReadLabel_,
                                &programRead_, &programWrite_, &programReadButton_);
    dataGroup_ =
        accessGroup("data", &dataAddressLabel_, &dataAddress_, 3, &dataValueLabel_, &dataValue_, 2,
                    &dataReadLabel_, &dataRead_, &dataWrite_, &dataReadButton_);
    memories->addWidget(programGroup_);
    memories->addWidget(dataGroup_);
    page->addLayout(memories);
    page->addStretch();

    connect(ckVpp_, &QPushButton::clicked, this, [this] { measure(true, false); });
    connect(ckVcc_, &QPushButton::clicked, this, [this] { measure(false, true); });
    connect(ckAll_, &QPushButton::clicked, this, [this] { measure(true, true); });
    connect(programWrite_, &QPushButton::clicked, this,
            [this] { writeCell(kProgramMemory, programAddress_, programValue_); });
    connect(programReadButton_, &QPushButton::clicked, this,
            [this] { readCell(kProgramMemory, programAddress_, programRead_); });
    connect(dataWrite_, &QPushButton::clicked, this,
            [this] { writeCell(kDataMemory, dataAddress_, dataValue_); });
    connect(dataReadButton_, &QPushButton::clicked, this,
            [this] { readCell(kDataMemory, dataAddress_, dataRead_); });
}

void DebugToolPage::refreshUnbound() {
    const bool unit = tools_ != nullptr;
    noUnit_->setVisible(!unit);
    // The "CK" buttons need the USB unit; the panel is shown once it answered.
    voltageGroup_->setVisible(unit && model_.controls().voltagePanel.visible);
    programGroup_->setEnabled(unit);
    dataGroup_->setEnabled(unit);
}

void DebugToolPage::measure(bool vpp, bool vcc) {
    if (!tools_ || !model_.usbInterface()) return;
    const SupplyVoltages v = tools_->measureSupply(vpp, vcc);
    const auto show = [](QLabel* panel, const std::optional<uint16_t>& value) {
        panel->setText(QString::asprintf("%.2f", double(*value) / 100.0));
    };
    if (vpp && v.vpp) show(vpp_, v.vpp);
    if (vcc && v.vcc) show(vcc_, v.vcc);
    const bool failed = (vpp && !v.vpp) || (vcc && !v.vcc);
    report(failed ? tableText(TextId::ConnectError) : QString());
}

void DebugToolPage::writeCell(const Memory& m, const QLineEdit* addressBox,
                              const QLineEdit* valueBox) {
    const auto address = hexBox(addressBox, m.addressLimit);
    const auto value = hexBox(valueBox, m.valueLimit());
    if (!address || !value) {
        report(
            tr("Enter a hexadecimal address %1 and a value %2~%3.")
                .arg(m.addressRange(), hex(0, m.valueDigits), hex(m.valueLimit(), m.valueDigits)));
        return;
    }
    const bool ok = tools_ && m.write(*tools_, uint16_t(*address), *value);
    report(ok ? QString() : tableText(m.error));
}

void DebugToolPage::readCell(const Memory& m, const QLineEdit* addressBox, QLineEdit* readBox) {
    const auto address = hexBox(addressBox, m.addressLimit);
    if (!address) {
        report(tr("Enter a hexadecimal address %1.").arg(m.addressRange()));
        return;
    }
    const std::optional<uint32_t> value =
        tools_ ? m.read(*tools_, uint16_t(*address)) : std::nullopt;
    readBox->setText(hex(value.value_or(0), m.valueDigits));
    report(value ? QString() : tableText(m.error));
}

void DebugToolPage::applyCaptions() {
    setCaption(heading(), tableText(TextId::IceTest));
    setCaption(noUnit_, tr("No unit is connected: the hardware tools need the emulator."));
    setCaption(voltageGroup_, tr("Supply voltages"));
    setCaption(ckVpp_, QStringLiteral("CK VPP"));
    setCaption(ckVcc_, QStringLiteral("CK VCC"));
    setCaption(ckAll_, QStringLiteral("CK ALL"));
    setCaption(vppLabel_, QStringLiteral("VPP"));
    setCaption(vccLabel_, QStringLiteral("VCC"));
    vpp_->setAccessibleName(QStringLiteral("VPP"));
    vcc_->setAccessibleName(QStringLiteral("VCC"));

    const QString address = tableText(TextId::Address) + QLatin1Char(':');
    const QString value = tableText(TextId::WriteData) + QLatin1Char(':');
    const QString read = tableText(TextId::ReadData) + QLatin1Char(':');
    setCaption(programGroup_, tableText(TextId::ProgramROMData));
    setCaption(programAddressLabel_, address);
    nameField(programAddress_, programAddressLabel_, tr("Range: 0000~7FFF"));
    setCaption(programValueLabel_, value);
    nameField(programValue_, programValueLabel_, tr("Range: 0000~FFFF"));
    setCaption(programReadLabel_, read);
    nameField(programRead_, programReadLabel_);
    setCaption(programWrite_, tableText(TextId::SramWrite));
    setCaption(programReadButton_, tableText(TextId::SramRead));

    setCaption(dataGroup_, tableText(TextId::SramData));
    setCaption(dataAddressLabel_, address);
    nameField(dataAddress_, dataAddressLabel_, tr("Range: 000~1FF"));
    setCaption(dataValueLabel_, value);
    nameField(dataValue_, dataValueLabel_, tr("Range: 00~FF"));
    setCaption(dataReadLabel_, read);
    nameField(dataRead_, dataReadLabel_);
    setCaption(dataWrite_, tableText(TextId::SramWrite));
    setCaption(dataReadButton_, tableText(TextId::SramRead));
}

} // namespace zerka::gui
