#include "gui/analog/opamp_form.h"

namespace zerka::gui {
namespace {
constexpr double kPlusY = 253, kMinusY = 307;
} // namespace

TOPForm::TOPForm(OpAmpCalculator& model, QWidget* parent)
    : AnalogDiagram(model, QSizeF(960, 600), parent) {
    setUpWindow(QStringLiteral("TOPForm"), QStringLiteral("OP"), 640);
    addFieldCombo("OP0P", "TXOP0P", QRectF(30, 62, 80, 26));
    addFieldCombo("OP0N", "TXOP0N", QRectF(30, 262, 80, 26));
    addFieldCombo("OP0M", "TXOP0M", QRectF(600, 420, 80, 26));
    chipChanged();
}

void TOPForm::paintDiagram(QPainter& p) {
    paintHeading(p, QStringLiteral("Operational amplifier"), 500, 640, 225);
    text(p, QRectF(115, 62, 200, 26), QStringLiteral("OP0P: + input"),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);
    text(p, QRectF(115, 262, 200, 26), QStringLiteral("OP0N: \u2212 input"),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);

    paintInputMux(p, "OP0P", 30, 110, 34, 240, QPointF(470, kPlusY));
    paintInputMux(p, "OP0N", 30, 310, 32, 252, QPointF(470, kMinusY));

    // Input short switch between the two inputs.
    dot(p, QPointF(400, kPlusY));
    dot(p, QPointF(400, kMinusY));
    switchPicture(p, QPointF(400, kPlusY + 6), QPointF(400, kMinusY - 6), ctl("OP0IS").on, "OP0IS");
    panel(p, QRectF(330, 330, 60, 26), "OP0IS", QStringLiteral("OPIS"));
    text(p, QRectF(300, 358, 130, 18),
         ctl("OP0IS").on ? QStringLiteral("inputs shorted") : QStringLiteral("inputs open"),
         Qt::AlignCenter, 8);

    const bool on = ctl("ENOP").on;
    amplifier(p, QRectF(470, 200, 160, 160), QStringLiteral("OP"), true, on);
    wire(p, {QPointF(630, 280), QPointF(820, 280)}, on);
    p.setPen(QPen(on ? ink() : faint(), 2));
    p.drawEllipse(QPointF(828, 280), 8, 8);
    text(p, QRectF(842, 266, 100, 28), QStringLiteral("OPO"), Qt::AlignLeft | Qt::AlignVCenter, 11,
         true);
    panel(p, QRectF(510, 380, 70, 28), "ENOP");
    text(p, QRectF(510, 410, 70, 20), q(ctl("ENOP").text), Qt::AlignCenter, 10, true);
    text(p, QRectF(600, 380, 300, 28), QStringLiteral("Mode (OP0M)"),
         Qt::AlignLeft | Qt::AlignVCenter, 10, true);
    text(p, QRectF(690, 420, 260, 26), q(ctl("OP0M").text), Qt::AlignLeft | Qt::AlignVCenter, 10,
         true);
}

} // namespace zerka::gui
