#include "gui/analog/comparator_form.h"

namespace zerka::gui {
namespace {
constexpr double kPlusY = 263, kMinusY = 317, kOutY = 290;
} // namespace

TCMPForm::TCMPForm(ComparatorCalculator& model, QWidget* parent)
    : AnalogDiagram(model, QSizeF(1240, 780), parent), cmp_(model) {
    setUpWindow(QStringLiteral("TCMPForm"), QStringLiteral("Comparator"), 930);
    addFieldCombo("CPIH", "TXCPIH", QRectF(30, 62, 80, 26));
    addFieldCombo("CPIL", "TXCPIL", QRectF(30, 252, 80, 26));
    addFieldCombo("CPVCS", "TXCPVCS", QRectF(30, 540, 80, 26));
    addFieldCombo("CPVRS", "TXCPVRS", QRectF(300, 540, 80, 26));
    chipChanged();
}

void TCMPForm::paintDiagram(QPainter& p) {
    paintHeading(p, QStringLiteral("Comparator"), 500, 930, 215);
    paintInputs(p);
    paintLadder(p);
    paintOutput(p);
}

void TCMPForm::paintInputs(QPainter& p) {
    text(p, QRectF(115, 62, 200, 26), QStringLiteral("CPIH: + input"),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);
    text(p, QRectF(115, 252, 200, 26), QStringLiteral("CPIL: \u2212 input"),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);
    paintInputMux(p, "CPIH", 30, 110, 34, 220, QPointF(300, kPlusY));
    paintInputMux(p, "CPIL", 30, 300, 28, 232, QPointF(300, kMinusY));

    // Input exchange: straight through, or crossed.
    const bool crossed = ctl("CPIX").on;
    p.setPen(QPen(faint(), 1, Qt::DashLine));
    p.drawRect(QRectF(300, 235, 90, 110));
    if (crossed) {
        wire(p, {QPointF(300, kPlusY), QPointF(390, kMinusY)});
        wire(p, {QPointF(300, kMinusY), QPointF(390, kPlusY)});
    } else {
        wire(p, {QPointF(300, kPlusY), QPointF(390, kPlusY)});
        wire(p, {QPointF(300, kMinusY), QPointF(390, kMinusY)});
    }
    arrowPicture(p, QRectF(318, 270, 16, 40), crossed, "CPIX");
    arrowPicture(p, QRectF(356, 270, 16, 40), !crossed, "CPIX");
    panel(p, QRectF(310, 352, 70, 26), "CPIX");
    text(p, QRectF(290, 380, 110, 18),
         crossed ? QStringLiteral("inputs exchanged") : QStringLiteral("straight"), Qt::AlignCenter,
         8);

    // Input short.
    wire(p, {QPointF(390, kPlusY), QPointF(520, kPlusY)});
    wire(p, {QPointF(390, kMinusY), QPointF(520, kMinusY)});
    dot(p, QPointF(450, kPlusY));
    dot(p, QPointF(450, kMinusY));
    switchPicture(p, QPointF(450, kPlusY + 6), QPointF(450, kMinusY - 6), ctl("CPIST").on, "CPIST");
    panel(p, QRectF(420, 352, 60, 26), "CPIST", QStringLiteral("CIST"));

    const bool on = ctl("ENCPA").on;
    amplifier(p, QRectF(520, 210, 140, 160), QStringLiteral("CMP"), true, on);
    panel(p, QRectF(545, 385, 80, 28), "ENCPA");
    text(p, QRectF(545, 413, 80, 18), on ? QStringLiteral("enabled") : QStringLiteral("disabled"),
         Qt::AlignCenter, 8);
}

void TCMPForm::paintLadder(QPainter& p) {
    text(p, QRectF(20, 505, 600, 28), QStringLiteral("Reference ladder  (VCPR)"),
         Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    // Source of the ladder's top.
    text(p, QRectF(115, 540, 150, 26), QStringLiteral("CPVCS: source"),
         Qt::AlignLeft | Qt::AlignVCenter, 9, true);
    const AnalogControl& src = ctl("CPVCS");
    for (unsigned c = 0; c < 4; ++c)
        codeLabel(p, QRectF(30, 576 + c * 30, 120, 24), "CPVCS", c, q(src.codeLabels[c]));
    // The chosen source feeds the top of the ladder.
    const double sy = 588 + src.code * 30.0;
    wire(p, {QPointF(150, sy), QPointF(200, sy), QPointF(200, 570), QPointF(250, 570),
             QPointF(250, 580)});
    // The resistor string: 16 taps from the top down to the bottom.
    p.setPen(QPen(ink(), 2));
    for (int i = 0; i < 8; ++i) {
        const double y = 580 + i * 22;
        QPolygonF zig;
        for (int k = 0; k <= 6; ++k)
            zig << QPointF(250 + (k % 2 ? 7 : -7) * (k > 0 && k < 6), y + k * 22.0 / 6);
        p.drawPolyline(zig);
    }
    wire(p, {QPointF(250, 756), QPointF(250, 766)});
    wire(p, {QPointF(238, 766), QPointF(262, 766)});

    text(p, QRectF(385, 540, 220, 26), QStringLiteral("CPVRS: tap"),
         Qt::AlignLeft | Qt::AlignVCenter, 9, true);
    const AnalogControl& ladder = ctl("CPVRS");
    for (unsigned c = 0; c < 16; ++c) {
        const double x = c < 8 ? 300 : 470, y = 576 + (c % 8) * 23.0;
        codeLabel(p, QRectF(x, y, 160, 20), "CPVRS", c, q(ladder.codeLabels[c]));
    }
    // The chosen tap feeds VCPR, one of the inputs of the multiplexers.
    text(p, QRectF(640, 580, 300, 40), QStringLiteral("VCPR = ") + q(ladder.text),
         Qt::AlignLeft | Qt::AlignVCenter, 11, true);
    text(p, QRectF(640, 612, 300, 20), QStringLiteral("(the VCPR input of the multiplexers)"),
         Qt::AlignLeft | Qt::AlignVCenter, 8);
    panel(p, QRectF(640, 650, 70, 28), "ENACM", QStringLiteral("ACM"));
    text(p, QRectF(715, 650, 200, 28), QStringLiteral("analog common (ACM) reference"),
         Qt::AlignLeft | Qt::AlignVCenter, 9);
    text(p, QRectF(640, 690, 300, 28), q(ctl("VDDAX").text), Qt::AlignLeft | Qt::AlignVCenter, 10);
}

void TCMPForm::paintOutput(QPainter& p) {
    const bool on = ctl("ENCPA").on;
    wire(p, {QPointF(660, kOutY), QPointF(700, kOutY)}, on);
    // Output polarity.
    panel(p, QRectF(700, kOutY - 14, 70, 28), "CPOX");
    text(p, QRectF(690, kOutY + 16, 90, 18),
         ctl("CPOX").on ? QStringLiteral("inverted") : QStringLiteral("not inverted"),
         Qt::AlignCenter, 8);
    wire(p, {QPointF(770, kOutY), QPointF(800, kOutY)}, on);
    // Filter with its clock choices.
    block(p, QRectF(800, kOutY - 40, 100, 80), QStringLiteral("Filter"), ctl("CPOFR").enabled);
    arrowPicture(p, QRectF(810, kOutY + 50, 16, 30), ctl("CPOFR").on, "CPOFR");
    panel(p, QRectF(830, kOutY + 52, 70, 26), "CPOFR");
    arrowPicture(p, QRectF(810, kOutY + 88, 16, 30), ctl("CS1").on, "CS1");
    panel(p, QRectF(830, kOutY + 90, 70, 26), "CS1");
    arrowPicture(p, QRectF(810, kOutY + 126, 16, 30), ctl("CS2").on, "CS2");
    panel(p, QRectF(830, kOutY + 128, 70, 26), "CS2");
    wire(p, {QPointF(900, kOutY), QPointF(940, kOutY)}, on);

    // Interrupt edge: the picture shows the edge that sets CPOIF.
    const bool falling = ctl("CPOIES").on;
    const QRectF edge(940, kOutY - 40, 100, 80);
    block(p, edge, QString(), ctl("CPOIES").enabled);
    p.setPen(QPen(ink(), 2.5));
    const double lo = edge.bottom() - 18, hi = edge.top() + 16, mx = edge.center().x();
    const double a = falling ? hi : lo, b = falling ? lo : hi;
    p.drawPolyline(QPolygonF{QPointF(edge.left() + 14, a), QPointF(mx, a), QPointF(mx, b),
                             QPointF(edge.right() - 14, b)});
    p.drawLine(QPointF(mx, (a + b) / 2), QPointF(mx - 6, (a + b) / 2 + (falling ? -7 : 7)));
    p.drawLine(QPointF(mx, (a + b) / 2), QPointF(mx + 6, (a + b) / 2 + (falling ? -7 : 7)));
    if (ctl("CPOIES").enabled)
        addHit(edge, QStringLiteral("CPOIES.picture"), [this] { model().clickPanel("CPOIES"); });
    panel(p, QRectF(950, kOutY + 52, 80, 26), "CPOIES", QStringLiteral("CPOEG"));
    text(p, QRectF(930, kOutY + 80, 120, 18), q(ctl("CPOIES").text), Qt::AlignCenter, 8);
    wire(p, {QPointF(1040, kOutY), QPointF(1080, kOutY)}, on);
    panel(p, QRectF(1080, kOutY - 14, 80, 28), "CPOIF");
    text(p, QRectF(1080, kOutY + 16, 110, 18), QStringLiteral("interrupt flag"), Qt::AlignLeft, 8);
    panel(p, QRectF(1080, kOutY - 60, 80, 28), "CAPAT");

    // To the pins: the output reaches a pin only when it is set up for it.
    wire(p, {QPointF(920, kOutY), QPointF(920, 470), QPointF(990, 470)}, on);
    dot(p, QPointF(920, kOutY));
    pinGroup(p, 470, "PTMX", "TRISCX", "PTDAX", cmp_.cp2Status());
    if (ctl("PTMX1").visible) {
        wire(p, {QPointF(920, 470), QPointF(920, 560), QPointF(990, 560)}, on);
        pinGroup(p, 560, "PTMX1", "TRISCX1", "PTDAX1", cmp_.cp1Status());
    }
}

void TCMPForm::pinGroup(QPainter& p, double y, const char* pm, const char* tc, const char* da,
                        const std::string& status) {
    panel(p, QRectF(990, y - 40, 70, 26), pm);
    panel(p, QRectF(1065, y - 40, 70, 26), tc);
    panel(p, QRectF(1140, y - 40, 70, 26), da);
    const bool on = status.find("ON") != std::string::npos;
    tag(p, QRectF(990, y - 8, 220, 30), q(status), on, true, 12);
}

} // namespace zerka::gui
