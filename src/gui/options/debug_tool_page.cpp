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
#include <QVBoxLayout>

#include <optional>

namespace zerka::gui {

namespace {
constexpr uint32_t kProgramAddressLimit = 0x7FFF;
constexpr uint32_t kDataAddressLimit = 0x1FF;

QLineEdit* hexEdit(QWidget* parent, const char* name, int digits) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    acceptHexDigits(e, digits);
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
    TextId title;
    TextId error;
    std::function<bool(OptionsHardwareTools&, uint16_t address, uint32_t value)> write;
    std::function<std::optional<uint32_t>(OptionsHardwareTools&, uint16_t address)> read;

    uint32_t valueLimit() const { return (1u << (4 * valueDigits)) - 1; }
    QString addressRange() const {
        return hex(0, addressDigits) + QLatin1Char('~') + hex(addressLimit, addressDigits);
    }
    QString valueRange() const {
        return hex(0, valueDigits) + QLatin1Char('~') + hex(valueLimit(), valueDigits);
    }
};

namespace {
const DebugToolPage::Memory kProgramMemory{
    .addressDigits = 4,
    .addressLimit = kProgramAddressLimit,
    .valueDigits = 4,
    .title = TextId::ProgramROMData,
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
    .title = TextId::SramData,
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

    auto* memories = new QHBoxLayout;
    program_ = addAccessGroup("program", kProgramMemory);
    data_ = addAccessGroup("data", kDataMemory);
    memories->addWidget(program_.group);
    memories->addWidget(data_.group);
    page->addLayout(memories);
    page->addStretch();

    connect(ckVpp_, &QPushButton::clicked, this, [this] { measure(true, false); });
    connect(ckVcc_, &QPushButton::clicked, this, [this] { measure(false, true); });
    connect(ckAll_, &QPushButton::clicked, this, [this] { measure(true, true); });
}

DebugToolPage::AccessGroup DebugToolPage::addAccessGroup(const char* name, const Memory& memory) {
    const auto objectName = [name](const char* part) { return std::string(name) + part; };
    AccessGroup a;
    a.group = new QGroupBox(this);
    a.group->setObjectName(QLatin1String(name));
    auto* row = new QHBoxLayout(a.group);
    auto* form = new QFormLayout;
    a.addressLabel = new QLabel(a.group);
    a.address = hexEdit(a.group, objectName("Address").c_str(), memory.addressDigits);
    a.valueLabel = new QLabel(a.group);
    a.value = hexEdit(a.group, objectName("Value").c_str(), memory.valueDigits);
    a.readLabel = new QLabel(a.group);
    a.read = hexEdit(a.group, objectName("Read").c_str(), memory.valueDigits);
    a.read->setReadOnly(true);
    form->addRow(a.addressLabel, a.address);
    form->addRow(a.valueLabel, a.value);
    form->addRow(a.readLabel, a.read);
    row->addLayout(form, 1);
    auto* buttons = new QVBoxLayout;
    a.write = pushButton(a.group, objectName("Write").c_str());
    a.readButton = pushButton(a.group, objectName("ReadButton").c_str());
    buttons->addWidget(a.write);
    buttons->addWidget(a.readButton);
    buttons->addStretch();
    row->addLayout(buttons);
    // The memory tables outlive the page.
    connect(a.write, &QPushButton::clicked, this,
            [this, &memory, a] { writeCell(memory, a.address, a.value); });
    connect(a.readButton, &QPushButton::clicked, this,
            [this, &memory, a] { readCell(memory, a.address, a.read); });
    return a;
}

void DebugToolPage::refreshUnbound() {
    const bool unit = tools_ != nullptr;
    noUnit_->setVisible(!unit);
    // The "CK" buttons need the USB unit; the panel is shown once it answered.
    voltageGroup_->setVisible(unit && model_.controls().voltagePanel.visible);
    program_.group->setEnabled(unit);
    data_.group->setEnabled(unit);
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
        report(tr("Enter a hexadecimal address %1 and a value %2.")
                   .arg(m.addressRange(), m.valueRange()));
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

    captionAccessGroup(program_, kProgramMemory);
    captionAccessGroup(data_, kDataMemory);
}

void DebugToolPage::captionAccessGroup(const AccessGroup& g, const Memory& memory) {
    setCaption(g.group, tableText(memory.title));
    setCaption(g.addressLabel, tableText(TextId::Address) + QLatin1Char(':'));
    nameField(g.address, g.addressLabel, tr("Range: %1").arg(memory.addressRange()));
    setCaption(g.valueLabel, tableText(TextId::WriteData) + QLatin1Char(':'));
    nameField(g.value, g.valueLabel, tr("Range: %1").arg(memory.valueRange()));
    setCaption(g.readLabel, tableText(TextId::ReadData) + QLatin1Char(':'));
    nameField(g.read, g.readLabel);
    setCaption(g.write, tableText(TextId::SramWrite));
    setCaption(g.readButton, tableText(TextId::SramRead));
}

} // namespace zerka::gui
