#include "gui/programmer/programmer_page.h"

#include "core/text.h"
#include "programmer/prog_settings.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QScrollArea>
#include <QVBoxLayout>

#include <charconv>

namespace zerka::gui {

namespace {

constexpr uint16_t kProtectWord = 0xF7FE;
constexpr uint16_t kVersion25 = 0x0200;

QRadioButton* radio(const char* name, const char* caption, QWidget* parent) {
    auto* r = new QRadioButton(QString::fromLatin1(caption), parent);
    r->setObjectName(QString::fromLatin1(name));
    r->setAccessibleName(r->text());
    return r;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(b->text());
    return b;
}

QLabel* panel(const char* name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(110);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

// Two radio buttons over their set and read buttons in a group box, with an optional row of
// a label and a field between them.
QGroupBox* switchGroup(const char* caption, QRadioButton* first, QRadioButton* second,
                       QPushButton* set, QPushButton* read, QWidget* parent,
                       QWidget* label = nullptr, QWidget* field = nullptr) {
    auto* g = new QGroupBox(QString::fromLatin1(caption), parent);
    auto* group = new QButtonGroup(g);
    group->addButton(first);
    group->addButton(second);
    auto* l = new QGridLayout(g);
    l->addWidget(first, 0, 0);
    l->addWidget(second, 0, 1);
    int row = 1;
    if (label && field) {
        l->addWidget(label, row, 0);
        l->addWidget(field, row, 1);
        ++row;
    }
    l->addWidget(set, row, 0);
    l->addWidget(read, row, 1);
    return g;
}

QGroupBox* switchGroup(const char* caption, const SettingSwitch& s, QWidget* parent) {
    return switchGroup(caption, s.off, s.on, s.set, s.read, parent);
}

} // namespace

ProgrammerPage::ProgrammerPage(OptionsModel& options, const ChipLibrary& library, LinkSource link,
                               QWidget* parent)
    : QWidget(parent), options_(options), library_(library), link_(std::move(link)) {
    setObjectName(QStringLiteral("ProgrammerPage"));
    setAccessibleName(QStringLiteral("Programmer"));
    buildLayout();
    refreshChipList();
    syncFromOptions();

    connectSwitch(key_, &ProgrammerSettingsCommands::setKey, &ProgrammerSettingsCommands::readKey);
    connectSwitch(buzzer_, &ProgrammerSettingsCommands::setBuzzer,
                  &ProgrammerSettingsCommands::readBuzzer);
    connectSwitch(check_, &ProgrammerSettingsCommands::setChecksum,
                  &ProgrammerSettingsCommands::readChecksum);
    connect(numberSet_, &QPushButton::clicked, this, [this] {
        auto s = settings();
        if (!s) return;
        const std::string text = number_->text().trimmed().toStdString();
        uint32_t n = 0;
        const bool on = numberOn_->isChecked();
        if (on) {
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
            if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
                // Not a number the programmer could count from: nothing is sent.
                number_->setFocus();
                number_->selectAll();
                return;
            }
        }
        const auto param = static_cast<uint8_t>(options_.chip().serialNumberParam);
        if (const auto back = s->setChipCode(on, n, param)) showChipCode(back->on, back->number);
    });
    connect(numberRead_, &QPushButton::clicked, this, [this] {
        if (auto s = settings())
            if (const auto back = s->readChipCode()) showChipCode(back->on, back->number);
    });
    connect(numberOn_, &QRadioButton::toggled, this, [this](bool on) { number_->setEnabled(on); });
    connect(readAll_, &QPushButton::clicked, this, &ProgrammerPage::readBurnerSetting);
    connect(version_, &QComboBox::activated, this, &ProgrammerPage::applyBurnerVersion);
    for (QCheckBox* c : calib_)
        connect(c, &QCheckBox::toggled, this, [this] { toOptions(); });
    for (QLineEdit* e : calibEdit_)
        connect(e, &QLineEdit::editingFinished, this, [this] { toOptions(); });
    connect(acm10_, &QRadioButton::toggled, this, [this] { toOptions(); });
    connect(protect_, &QCheckBox::toggled, this, [this] { toOptions(); });
}

void ProgrammerPage::buildLayout() {
    auto* content = new QWidget;
    // System Parameter: what the image in the programmer is.
    auto* system = new QGroupBox(QStringLiteral("System Parameter"), content);
    chipPanel_ = panel("Panel1", system);
    versionPanel_ = panel("Panel2", system);
    checksumPanel_ = panel("Panel6", system);
    auto* sl = new QGridLayout(system);
    sl->addWidget(new QLabel(QStringLiteral("Chip"), system), 0, 0);
    sl->addWidget(chipPanel_, 0, 1);
    sl->addWidget(new QLabel(QStringLiteral("IDE Version"), system), 1, 0);
    sl->addWidget(versionPanel_, 1, 1);
    sl->addWidget(new QLabel(QStringLiteral("CheckSum"), system), 2, 0);
    sl->addWidget(checksumPanel_, 2, 1);

    auto* burner = new QGroupBox(QStringLiteral("Burner"), content);
    version_ = new QComboBox(burner);
    version_->setObjectName(QStringLiteral("WriteVer"));
    version_->addItems(
        {QStringLiteral("BURNA"), QStringLiteral("BURNB"), QStringLiteral("BURNC/BURND")});
    version_->setAccessibleName(QStringLiteral("Burner version"));
    auto* bl = new QVBoxLayout(burner);
    bl->addWidget(version_);
    auto* pre =
        new QGroupBox(QStringLiteral("Before version 2.5, pre-recording chip select"), content);
    chips_ = new QComboBox(pre);
    chips_->setObjectName(QStringLiteral("CbSeluP"));
    chips_->setAccessibleName(QStringLiteral("Chip"));
    (new QVBoxLayout(pre))->addWidget(chips_);

    key_ = {radio("RBKOFF", "Blank OFF", content), radio("RBKON", "Blank ON", content),
            button("PBKINPUT", "Key Setting", content), button("PBKINPUT_Check", "Read", content)};
    check_ = {radio("m_rdoVerifyOff", "Check OFF", content),
              radio("m_rdoVerifyOn", "Check ON", content),
              button("m_btnVerifySetting", "Checksum Setting", content),
              button("m_btnVerifyRead", "Read", content)};
    buzzer_ = {
        radio("RB_BuzzerOff", "Buzzer OFF", content), radio("RB_BuzzerOn", "Buzzer ON", content),
        button("B_BuzzetSet", "Buzzer Setting", content), button("BuzzerCheck", "Read", content)};
    for (const SettingSwitch* s : {&key_, &check_, &buzzer_})
        s->off->setChecked(true);
    auto* key = switchGroup("ProgramKey function settings ", key_, content);
    auto* check = switchGroup("Checksum function setting", check_, content);
    auto* buzzer = switchGroup("Buzzer function settings ", buzzer_, content);

    numberOn_ = radio("m_rdoWriteNumOn", "Write Num ON", content);
    numberOff_ = radio("m_rdoWriteNumOff", "Write Num OFF", content);
    numberOff_->setChecked(true);
    number_ = new QLineEdit(content);
    number_->setObjectName(QStringLiteral("m_txtNumber"));
    number_->setAccessibleName(QStringLiteral("Next Number to Write(Dec)"));
    number_->setValidator(new QIntValidator(0, 2147483647, number_));
    number_->setEnabled(false);
    numberSet_ = button("m_btnNumberWrite", "Chip Code Setting", content);
    numberRead_ = button("m_btnNumberRead", "Read", content);
    auto* code =
        switchGroup("Chip Code Number", numberOn_, numberOff_, numberSet_, numberRead_, content,
                    new QLabel(QStringLiteral("Next Number to Write(Dec)"), content), number_);

    readAll_ = button("SettingCheck", "Read Burner Setting", content);
    firmware_ = panel("PFirmware", content);
    firmware_->setAccessibleName(QStringLiteral("Firmware"));

    auto* hao = new QGroupBox(QStringLiteral("HAO Calibration"), content);
    const char* calibNames[3] = {"EnHAO", "EnSHAO", "EnSLAO"};
    const char* calibCaptions[3] = {"Enable H/W Calibration", "Enable S/W Calibration (HAO)",
                                    "Enable S/W Calibration (LPO)"};
    const char* editNames[3] = {"EHAO", "EPERMISS", "ELAO"};
    const char* editCaptions[3] = {"Input HAO", "Permissible error (%)", "Input LPO"};
    auto* hl = new QGridLayout(hao);
    for (int k = 0; k < 3; ++k) {
        calib_[k] = new QCheckBox(QString::fromLatin1(calibCaptions[k]), hao);
        calib_[k]->setObjectName(QString::fromLatin1(calibNames[k]));
        calib_[k]->setAccessibleName(calib_[k]->text());
        calibEdit_[k] = new QLineEdit(hao);
        calibEdit_[k]->setObjectName(QString::fromLatin1(editNames[k]));
        calibEdit_[k]->setAccessibleName(QString::fromLatin1(editCaptions[k]));
        hl->addWidget(calib_[k], k, 0, 1, 2);
        hl->addWidget(new QLabel(QString::fromLatin1(editCaptions[k]), hao), k + 3, 0);
        hl->addWidget(calibEdit_[k], k + 3, 1);
    }

    auto* acm = new QGroupBox(QStringLiteral("ACM Voltage"), content);
    acm10_ = radio("RACM10", "ACM = 1.0V", acm);
    acm12_ = radio("RACM12", "ACM = 1.2V", acm);
    auto* al = new QHBoxLayout(acm);
    al->addWidget(acm10_);
    al->addWidget(acm12_);
    protect_ = new QCheckBox(QStringLiteral("Program Protect"), content);
    protect_->setObjectName(QStringLiteral("CProtect"));
    protect_->setAccessibleName(protect_->text());

    // Three columns: the image and burner, the programmer's own switches, the chip's settings.
    auto* grid = new QGridLayout(content);
    grid->addWidget(system, 0, 0);
    grid->addWidget(burner, 1, 0);
    grid->addWidget(pre, 2, 0);
    auto* firmwareRow = new QHBoxLayout;
    firmwareRow->addWidget(readAll_);
    firmwareRow->addWidget(firmware_, 1);
    // Beside the tall chip code group: at its top, not stretched into an empty frame.
    grid->addLayout(firmwareRow, 3, 0, Qt::AlignTop);
    grid->addWidget(key, 0, 1);
    grid->addWidget(check, 1, 1);
    grid->addWidget(buzzer, 2, 1);
    grid->addWidget(code, 3, 1);
    grid->addWidget(hao, 0, 2, 2, 1);
    grid->addWidget(acm, 2, 2);
    grid->addWidget(protect_, 3, 2, Qt::AlignTop);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(3, 1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

void ProgrammerPage::refreshChipList() {
    const int keep = chips_->currentIndex() >= 0 ? chips_->currentIndex() : options_.chipIndex();
    chips_->clear();
    for (const std::string& t : library_.chipSelectorTexts())
        chips_->addItem(QString::fromStdString(t));
    setChipIndex(keep);
}

void ProgrammerPage::setChipIndex(int index) {
    if (index >= 0 && index < chips_->count()) chips_->setCurrentIndex(index);
}

void ProgrammerPage::setBurnerVersion(int version) {
    version_->setCurrentIndex(std::clamp(version, 0, 2));
    applyBurnerVersion(version_->currentIndex());
}

void ProgrammerPage::applyBurnerVersion(int version) {
    OptionsControls& c = options_.controls();
    CheckControl* switches[3] = {&c.EnHAO, &c.EnSHAO, &c.EnSLAO};
    EditControl* edits[3] = {&c.EHAO, &c.EPERMISS, &c.ELAO};
    // The third version calibrates in the programmer: the options take the switches over.
    const bool third = version == 2;
    for (int k = 0; k < 3; ++k) {
        switches[k]->enabled = third;
        switches[k]->checked = third;
        edits[k]->enabled = third;
        if (!third) edits[k]->text.clear();
    }
    syncing_ = true;
    for (int k = 0; k < 3; ++k) {
        calib_[k]->setEnabled(false);
        calibEdit_[k]->setEnabled(false);
        if (!third) {
            calib_[k]->setChecked(false);
            calibEdit_[k]->clear();
        } else {
            calib_[k]->setChecked(true);
            calibEdit_[k]->setText(QString::fromStdString(edits[k]->text));
        }
    }
    syncing_ = false;
}

void ProgrammerPage::showEvent(QShowEvent* event) {
    syncFromOptions();
    QWidget::showEvent(event);
}

void ProgrammerPage::syncFromOptions() {
    setChipIndex(options_.chipIndex());
    const OptionsControls& c = options_.controls();
    const CheckControl* switches[3] = {&c.EnHAO, &c.EnSHAO, &c.EnSLAO};
    const EditControl* edits[3] = {&c.EHAO, &c.EPERMISS, &c.ELAO};
    syncing_ = true;
    for (int k = 0; k < 3; ++k) {
        calib_[k]->setChecked(switches[k]->checked);
        calibEdit_[k]->setText(QString::fromStdString(edits[k]->text));
    }
    acm10_->setChecked(c.RACM10.checked);
    acm12_->setChecked(c.RACM12.checked);
    protect_->setChecked(c.CProtect.checked);
    syncing_ = false;
}

void ProgrammerPage::toOptions() {
    if (syncing_) return;
    OptionsControls& c = options_.controls();
    CheckControl* switches[3] = {&c.EnHAO, &c.EnSHAO, &c.EnSLAO};
    EditControl* edits[3] = {&c.EHAO, &c.EPERMISS, &c.ELAO};
    for (int k = 0; k < 3; ++k) {
        if (calib_[k]->isEnabled()) switches[k]->checked = calib_[k]->isChecked();
        if (calibEdit_[k]->isEnabled()) edits[k]->text = calibEdit_[k]->text().toStdString();
    }
    c.RACM10.checked = acm10_->isChecked();
    c.RACM12.checked = acm12_->isChecked();
    c.CProtect.checked = protect_->isChecked();
}

void ProgrammerPage::showImageInfo(const InfoBlock& info) {
    const FindChipResult chip = library_.FindChipById(info[109]);
    chipPanel_->setText(chip.found && size_t(chip.index) < library_.entries().size()
                            ? QString::fromStdString(library_.entries()[size_t(chip.index)].name)
                            : QString());
    const uint16_t version = info[119];
    if (version < kVersion25) {
        versionPanel_->setText(QStringLiteral("lower than version 2.5"));
        syncing_ = true;
        for (QLineEdit* e : calibEdit_)
            e->clear();
        syncing_ = false;
    } else {
        versionPanel_->setText(
            QString::fromStdString(hexText(version >> 8, 2) + "." + hexText(version & 0xFF, 2)));
    }
    checksumPanel_->setText(QString::fromStdString(hexText(info[123], 4)));
    protect_->setChecked(info[127] == kProtectWord);
    if (info[114] == 0x067F) acm10_->setChecked(true);
    if (info[114] == 0x0680) acm12_->setChecked(true);
    toOptions();
}

std::optional<ProgrammerSettingsCommands> ProgrammerPage::settings() const {
    ProgLink* l = link_ ? link_() : nullptr;
    if (!l) return std::nullopt;
    return ProgrammerSettingsCommands(*l);
}

void ProgrammerPage::connectSwitch(const SettingSwitch& s, SwitchWrite write, SwitchRead read) {
    connect(s.set, &QPushButton::clicked, this, [this, s, write] {
        if (auto c = settings()) showSwitch(s, ((*c).*write)(s.on->isChecked()));
    });
    connect(s.read, &QPushButton::clicked, this, [this, s, read] {
        if (auto c = settings()) showSwitch(s, ((*c).*read)());
    });
}

void ProgrammerPage::showSwitch(const SettingSwitch& s, std::optional<bool> value) {
    if (!value) return; // a failed transfer ends the action silently
    (*value ? s.on : s.off)->setChecked(true);
}

void ProgrammerPage::showChipCode(bool on, uint32_t number) {
    (on ? numberOn_ : numberOff_)->setChecked(true);
    number_->setEnabled(on);
    number_->setText(on ? QString::number(number) : QString());
}

void ProgrammerPage::readBurnerSetting() {
    auto s = settings();
    if (!s) return;
    const auto firmware = s->readFirmware();
    if (!firmware) return;
    firmware_->setText(QString::fromStdString(*firmware));
    const std::pair<const SettingSwitch*, SwitchRead> switches[] = {
        {&key_, &ProgrammerSettingsCommands::readKey},
        {&buzzer_, &ProgrammerSettingsCommands::readBuzzer},
        {&check_, &ProgrammerSettingsCommands::readChecksum}};
    for (const auto& [sw, read] : switches) {
        const auto value = ((*s).*read)();
        if (!value) return;
        showSwitch(*sw, value);
    }
    if (const auto code = s->readChipCode()) showChipCode(code->on, code->number);
}

} // namespace zerka::gui
