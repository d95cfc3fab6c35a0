#include "chip/options_model.h"
#include "gui/options/option_widgets.h"
#include "gui/options/options_pages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {
QLineEdit* hexEdit(QWidget* parent, const std::string& name, int digits) {
    auto* e = named(new QLineEdit(parent), name);
    acceptHexDigits(e, digits);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('W')) * (digits + 3));
    return e;
}
} // namespace

WatchPage::WatchPage(const OptionsPageContext& context, QWidget* parent)
    : OptionsPageWidget(context, parent) {
    OptionsControls& c = model_.controls();
    auto* page = static_cast<QVBoxLayout*>(layout());

    triggerGroup_ = named(new QGroupBox(this), "watchGroup");
    auto* form = new QFormLayout(triggerGroup_);
    addressLabel_ = new QLabel(triggerGroup_);
    address_ = hexEdit(triggerGroup_, c.EWatchAddress.name, 4);
    dataLabel_ = new QLabel(triggerGroup_);
    data_ = hexEdit(triggerGroup_, c.EWatchData.name, 2);
    form->addRow(addressLabel_, address_);
    form->addRow(dataLabel_, data_);

    // Bit 7 on the left, as the byte is written.
    bitsGroup_ = named(new QGroupBox(triggerGroup_), "watchBits");
    auto* bits = new QHBoxLayout(bitsGroup_);
    for (int k = 7; k >= 0; --k) {
        bits_[k] = named(new QCheckBox(bitsGroup_), c.CkWatchB[size_t(k)].name);
        bits->addWidget(bits_[k]);
        onClicked(bits_[k],
                  [this, k](bool on) { model_.controls().CkWatchB[size_t(k)].checked = on; });
    }
    bits->addStretch();
    form->addRow(bitsGroup_);
    page->addWidget(triggerGroup_);

    stopOnStack_ = named(new QCheckBox(this), c.STPOVSTAK.name);
    page->addWidget(stopOnStack_);
    page->addStretch();

    bindText(address_, &OptionsControls::EWatchAddress);
    bindText(data_, &OptionsControls::EWatchData);
    bindCheck(stopOnStack_, &OptionsControls::STPOVSTAK);
}

void WatchPage::refreshUnbound() {
    const OptionsControls& c = model_.controls();
    for (size_t k = 0; k < 8; ++k)
        syncWidget(bits_[k], c.CkWatchB[k]);
}

void WatchPage::applyCaptions() {
    const OptionsControls& c = model_.controls();
    setCaption(heading(), tr("Chip Watch"));
    setCaption(triggerGroup_, tr("Data watch trigger"));
    setCaption(addressLabel_, textOf(c.EWatchAddress.caption).simplified() + QLatin1Char(':'));
    nameField(address_, addressLabel_, tr("Hexadecimal, 0000~FFFF"));
    setCaption(dataLabel_, textOf(c.EWatchData.caption).simplified() + QLatin1Char(':'));
    nameField(data_, dataLabel_, tr("Hexadecimal, 00~FF"));
    setCaption(bitsGroup_, tr("Watch enable"));
    for (size_t k = 0; k < 8; ++k) {
        // The boxes sit under "Watch enable"; the full caption stays their accessible name.
        bits_[k]->setText(QStringLiteral("Bit%1").arg(k));
        bits_[k]->setAccessibleName(textOf(c.CkWatchB[k].caption).simplified());
    }
    setCaption(stopOnStack_, textOf(c.STPOVSTAK.caption));
}

} // namespace zerka::gui
