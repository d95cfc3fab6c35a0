#include "gui/analog/adc_form.h"

#include "gui/debug/accessible_grid.h"

#include <algorithm>

namespace zerka::gui {
namespace {
constexpr double kSignalY = 215;
constexpr double kClockY = 455;
constexpr double kRefY = 560;
} // namespace

TADCForm::TADCForm(AdcCalculator& model, QWidget* parent)
    : AnalogDiagram(model, QSizeF(1240, 760), parent), adc_(model) {
    setUpWindow(QStringLiteral("TADCForm"), QStringLiteral("ADC"), 930);
    addFieldCombo("INX0", "TXINX", QRectF(30, 80, 80, 26));
    addFieldCombo("PGA0GN", "TXPGAGN", QRectF(400, 285, 70, 26));
    addFieldCombo("DCSET0", "TXDCSET", QRectF(545, 110, 70, 26));
    addFieldCombo("AD0GN", "TXADGN", QRectF(650, 120, 70, 26));
    addFieldCombo("OSR0", "TXOSR", QRectF(880, 120, 70, 26));
    addFieldCombo("ADCS0", "TXADCS", QRectF(400, 420, 70, 26));
    QStringList bits;
    for (int b = 8; b <= 24; ++b)
        bits << QString::number(b);
    mode_ = addOwnCombo("TXADCOMD", QRectF(1030, 296, 85, 26),
                        {QStringLiteral("HEX"), QStringLiteral("DEC")});
    bits_ = addOwnCombo("TXADCObit", QRectF(1125, 296, 85, 26), bits);
    connect(mode_, &QComboBox::activated, this, [this](int i) {
        adc_.setOutputMode(i);
        settingChanged();
    });
    connect(bits_, &QComboBox::activated, this, [this](int i) {
        adc_.setOutputBitsIndex(i);
        settingChanged();
    });
    // The painted result box, for screen readers: a transparent stand-in named "ADC result".
    auto* result = new QWidget(this);
    result->setAttribute(Qt::WA_TransparentForMouseEvents);
    addOverlay(result, QRectF(1030, 150, 190, 110));
    setAccessiblePanel(result, QStringLiteral("ADC result"),
                       [this] { return QString::fromStdString(adc_.resultText()); });
    readAdc_ = new QPushButton(QStringLiteral("Read ADC"), this);
    readAdc_->setObjectName(QStringLiteral("ReadADC"));
    addOverlay(readAdc_, QRectF(1030, 334, 180, 28));
    connect(readAdc_, &QPushButton::clicked, this, [this] {
        adc_.ReadAdc(iceRead_);
        refreshView();
        update();
    });
    chipChanged();
}

void TADCForm::applySettings(int mode, int bitsIndex) {
    adc_.setOutputMode(mode);
    adc_.setOutputBitsIndex(bitsIndex);
    syncOwnCombos();
    update();
}

void TADCForm::settingChanged() {
    adc_.DataUpdate();
    syncOwnCombos();
    if (settingsChanged_) settingsChanged_(adc_.outputMode(), adc_.outputBitsIndex());
    update();
}

void TADCForm::syncOwnCombos() {
    QSignalBlocker a(mode_), b(bits_);
    mode_->setCurrentIndex(adc_.outputMode());
    bits_->setCurrentIndex(adc_.outputBitsIndex());
}

void TADCForm::paintDiagram(QPainter& p) {
    paintHeading(p, QStringLiteral("Sigma-delta ADC  \u2014  signal path"), 600, 930, 215);
    paintSignal(p);
    paintReferenceAndClock(p);
    paintResult(p);
    if (adc_.gainWarningVisible()) {
        const QRectF r(760, 600, 460, 140);
        p.setPen(QPen(QColor(220, 50, 40), 3));
        p.setBrush(QColor(220, 50, 40, 40));
        p.drawRoundedRect(r, 6, 6);
        p.setBrush(Qt::NoBrush);
        text(p, r.adjusted(10, 6, -10, -6),
             QString::fromLatin1(AdcCalculator::kGainWarning).simplified(),
             Qt::AlignCenter | Qt::TextWordWrap, 10, true);
    }
}

void TADCForm::paintSignal(QPainter& p) {
    // Input multiplexer: one pin per code; the chosen one is connected.
    const AnalogControl& inx = ctl("INX0");
    const int n = std::max<int>(1, int(inx.codeLabels.size()));
    const double pitch = std::min(40.0, 190.0 / n);
    const double top = 215 - pitch * (n - 1) / 2;
    text(p, QRectF(115, 80, 60, 26), QStringLiteral("INX"), Qt::AlignLeft | Qt::AlignVCenter, 10,
         true);
    for (int k = 0; k < n; ++k) {
        const double y = top + k * pitch;
        codeLabel(p, QRectF(20, y - 11, 56, 22), "INX0", unsigned(k),
                  k < int(inx.codeLabels.size()) ? q(inx.codeLabels[size_t(k)]) : QString());
        wire(p, {QPointF(76, y), QPointF(100, y)}, k == inx.code);
        if (k == inx.code) wire(p, {QPointF(100, y), QPointF(150, kSignalY)});
    }
    // The multiplexer body: a click moves on to the next input.
    p.setPen(QPen(inx.enabled ? ink() : faint(), 2));
    QPolygonF mux;
    mux << QPointF(100, top - 22) << QPointF(150, top + 5) << QPointF(150, 425 - top)
        << QPointF(100, 452 - top);
    p.drawPolygon(mux);
    if (inx.enabled)
        addHit(mux.boundingRect(), QStringLiteral("INX0.picture"),
               [this] { adc_.clickInputPicture(); });
    if (adc_.temperatureVisible()) {
        block(p, QRectF(20, 352, 110, 40), QStringLiteral("Temp.\nsensor"));
        text(p, QRectF(20, 394, 130, 18), QStringLiteral("(internal input)"), Qt::AlignLeft, 8);
    }

    wire(p, {QPointF(150, kSignalY), QPointF(240, kSignalY)});
    // Input short: ties the input to the common level, for offset measurement.
    const bool shortOn = ctl("IN0IS").on;
    dot(p, QPointF(190, kSignalY));
    switchPicture(p, QPointF(190, kSignalY + 6), QPointF(190, 262), shortOn, "IN0IS");
    wire(p, {QPointF(178, 262), QPointF(202, 262)});
    wire(p, {QPointF(183, 268), QPointF(197, 268)});
    panel(p, QRectF(160, 280, 60, 26), "IN0IS");
    text(p, QRectF(150, 308, 90, 18),
         shortOn ? QStringLiteral("input shorted") : QStringLiteral("input open"), Qt::AlignCenter,
         8);

    bufferStage(p, 240, 370, kSignalY, "INBUF0", QStringLiteral("BUF"));
    panel(p, QRectF(270, 250, 70, 26), "INBUF0", QStringLiteral("INBUF"));
    if (ctl("INBUF0").code == 1 && !ctl("INBUF0").on)
        text(p, QRectF(240, 278, 140, 30), QStringLiteral("bypassed while\nPGA is on"),
             Qt::AlignCenter, 8);

    // PGA.
    const AnalogControl& pga = ctl("PGA0GN");
    wire(p, {QPointF(370, kSignalY), QPointF(405, kSignalY)});
    amplifier(p, QRectF(405, 170, 90, 90), QStringLiteral("PGA"), false, pga.enabled);
    text(p, QRectF(400, 262, 120, 22), QStringLiteral("gain ") + q(pga.text),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);
    panel(p, QRectF(400, 322, 80, 26), "ENHIGN0", QStringLiteral("ENHIGN"));
    text(p, QRectF(485, 322, 90, 26), q(ctl("ENHIGN0").text), Qt::AlignLeft | Qt::AlignVCenter, 9);

    // Offset adder.
    wire(p, {QPointF(495, kSignalY), QPointF(566, kSignalY)});
    p.setPen(QPen(ink(), 2));
    p.drawEllipse(QPointF(580, kSignalY), 14, 14);
    text(p, QRectF(566, kSignalY - 14, 28, 28), QStringLiteral("+"), Qt::AlignCenter, 14, true);
    wire(p, {QPointF(580, 136), QPointF(580, kSignalY - 14)});
    text(p, QRectF(490, 62, 180, 20), QStringLiteral("DC offset (DCSET)"), Qt::AlignCenter, 9);
    text(p, QRectF(490, 82, 180, 24), q(ctl("DCSET0").text), Qt::AlignCenter, 10, true);

    // Modulator.
    wire(p, {QPointF(594, kSignalY), QPointF(640, kSignalY)});
    block(p, QRectF(640, 170, 150, 90), QString::fromUtf8("\u03A3\u0394 modulator"));
    text(p, QRectF(725, 120, 140, 26), q(ctl("AD0GN").text), Qt::AlignLeft | Qt::AlignVCenter, 10,
         true);
    panel(p, QRectF(650, 70, 70, 26), "ENCHP0", QStringLiteral("ENCHP"));
    text(p, QRectF(725, 70, 140, 26), q(ctl("ENCHP0").text), Qt::AlignLeft | Qt::AlignVCenter, 9);

    // Decimation filter.
    wire(p, {QPointF(790, kSignalY), QPointF(850, kSignalY)});
    block(p, QRectF(850, 170, 140, 90), QStringLiteral("Decimation\nfilter"));
    text(p, QRectF(840, 90, 180, 26), QStringLiteral("OSR  ") + q(ctl("OSR0").text),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);
    wire(p, {QPointF(990, kSignalY), QPointF(1030, kSignalY)});
}

void TADCForm::bufferStage(QPainter& p, double x0, double x1, double y, const char* field,
                           const QString& name) {
    // Two pictures: the path through the buffer, and the bypass below it.
    const bool on = ctl(field).on;
    const double up = y - 55, mid = (x0 + x1) / 2;
    dot(p, QPointF(x0, y));
    dot(p, QPointF(x1, y));
    wire(p, {QPointF(x0, y), QPointF(x0, up), QPointF(x0 + 8, up)}, on);
    switchPicture(p, QPointF(x0 + 8, up), QPointF(x0 + 38, up), on, field);
    wire(p, {QPointF(x0 + 38, up), QPointF(mid - 20, up)}, on);
    amplifier(p, QRectF(mid - 20, up - 20, 44, 40), QString(), false, on);
    text(p, QRectF(mid - 30, up - 40, 64, 18), name, Qt::AlignCenter, 8, true);
    wire(p, {QPointF(mid + 24, up), QPointF(x1, up), QPointF(x1, y)}, on);
    switchPicture(p, QPointF(x0 + 20, y), QPointF(x1 - 20, y), !on, field);
    wire(p, {QPointF(x0, y), QPointF(x0 + 20, y)}, !on);
    wire(p, {QPointF(x1 - 20, y), QPointF(x1, y)}, !on);
}

void TADCForm::paintReferenceAndClock(QPainter& p) {
    // Reference: VDDA, its buffer, the VRE gain, into the modulator.
    block(p, QRectF(30, kRefY - 35, 140, 70), QStringLiteral("Reference\n") + q(ctl("VDDAX").text));
    wire(p, {QPointF(170, kRefY), QPointF(220, kRefY)});
    bufferStage(p, 220, 350, kRefY, "VRBUF0", QStringLiteral("BUF"));
    panel(p, QRectF(250, kRefY + 25, 70, 26), "VRBUF0", QStringLiteral("VRBUF"));
    wire(p, {QPointF(350, kRefY), QPointF(420, kRefY)});
    amplifier(p, QRectF(420, kRefY - 40, 90, 80), QStringLiteral("VRE"), false,
              ctl("VRE0GN").enabled);
    panel(p, QRectF(420, kRefY + 50, 70, 26), "VRE0GN", QStringLiteral("VREGN"));
    text(p, QRectF(495, kRefY + 50, 130, 26), q(ctl("VRE0GN").text),
         Qt::AlignLeft | Qt::AlignVCenter, 9);
    wire(p, {QPointF(510, kRefY), QPointF(690, kRefY), QPointF(690, 260)});
    text(p, QRectF(694, 400, 40, 20), QStringLiteral("VRE"), Qt::AlignLeft, 9, true);
    // The reference also sets the size of the offset steps.
    wire(p, {QPointF(580, kRefY), QPointF(580, kSignalY + 14)}, false);

    // Clock: source, divider, to modulator and filter.
    block(p, QRectF(30, kClockY - 25, 140, 50), QStringLiteral("ADC clock"));
    const bool ck = ctl("ADCCK0").on;
    arrowPicture(p, QRectF(185, kClockY - 22, 20, 44), ck, "ADCCK0");
    panel(p, QRectF(212, kClockY - 13, 66, 26), "ADCCK0", QStringLiteral("ADCCK"));
    wire(p, {QPointF(170, kClockY), QPointF(185, kClockY)});
    wire(p, {QPointF(280, kClockY), QPointF(300, kClockY)});
    block(p, QRectF(300, kClockY - 25, 90, 50), q(ctl("ADCS0").text), ctl("ADCS0").enabled);
    text(p, QRectF(476, kClockY - 35, 120, 20), QStringLiteral("clock divider (ADCS)"),
         Qt::AlignLeft, 8);
    text(p, QRectF(200, kClockY - 36, 90, 18),
         QStringLiteral("ADCCK = ") + QString::number(ctl("ADCCK0").code), Qt::AlignCenter, 8);
    wire(p, {QPointF(390, kClockY), QPointF(920, kClockY), QPointF(920, 260)});
    wire(p, {QPointF(760, kClockY), QPointF(760, 260)});
    dot(p, QPointF(760, kClockY));
    text(p, QRectF(765, kClockY - 22, 80, 20), QStringLiteral("ADC_CK"), Qt::AlignLeft, 9, true);
}

void TADCForm::paintResult(QPainter& p) {
    const QRectF r(1030, 150, 190, 110);
    block(p, r, QString());
    text(p, QRectF(r.left(), r.top() + 4, r.width(), 22), QStringLiteral("ADC result"),
         Qt::AlignCenter, 10, true);
    text(p, QRectF(r.left(), r.top() + 28, r.width(), 50), q(adc_.resultText()), Qt::AlignCenter,
         20, true);
    text(p, QRectF(r.left(), r.top() + 80, r.width(), 22),
         QString::number(8 + adc_.outputBitsIndex()) + QStringLiteral(" bits, ") +
             (adc_.outputMode() == 0 ? QStringLiteral("HEX") : QStringLiteral("DEC")),
         Qt::AlignCenter, 9);
    text(p, QRectF(1030, 272, 85, 22), QStringLiteral("Output"), Qt::AlignLeft, 9);
    text(p, QRectF(1125, 272, 85, 22), QStringLiteral("Output bits"), Qt::AlignLeft, 9);
    panel(p, QRectF(1030, 376, 85, 28), "ENADC0", QStringLiteral("ENADC"));
    // ADCIF: blue with window-coloured text while the conversion flag is set.
    const AnalogControl& flag = ctl("ADCIF");
    const QRectF f(1125, 376, 85, 28);
    if (flag.on) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        p.drawRoundedRect(f, 4, 4);
        p.setBrush(Qt::NoBrush);
        p.setPen(QColor(Qt::white));
        p.setFont(fontOf(10, true));
        p.drawText(f, Qt::AlignCenter, QStringLiteral("ADCIF"));
    } else {
        tag(p, f, QStringLiteral("ADCIF"), false, flag.enabled);
    }
}

} // namespace zerka::gui
