#include "gui/debug/palette_roles.h"

#include <cmath>

namespace zerka::gui {

namespace {

double channel(int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

QColor blend(const QColor& a, const QColor& b, double t) {
    auto mix = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

QColor rgb(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

bool darkBase(const QPalette& p) {
    return luminance(p.color(QPalette::Base)) < 0.18;
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor& wanted, const QColor& background, double minimum) {
    if (contrastRatio(wanted, background) >= minimum) return wanted;
    // Towards the end of the scale that lies farther from the background.
    const QColor end = contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background)
                           ? QColor(Qt::black)
                           : QColor(Qt::white);
    for (int step = 1; step <= 20; ++step) {
        const QColor c = blend(wanted, end, step / 20.0);
        if (contrastRatio(c, background) >= minimum) return c;
    }
    return end;
}

RolePaint rolePaint(CellRole role, const QPalette& p, Rgb mark) {
    const QColor base = p.color(QPalette::Base);
    const QColor text = p.color(QPalette::Text);
    const bool dark = darkBase(p);
    switch (role) {
    case CellRole::Normal:
        return {readableOn(text, base), base};
    case CellRole::Header: {
        const QColor back = p.color(QPalette::Button);
        return {readableOn(p.color(QPalette::ButtonText), back), back};
    }
    case CellRole::Changed:
    case CellRole::BitOne:
    case CellRole::CurrentEmu:
    case CellRole::CurrentSim: {
        // Saturated blue and green carry white text on every theme; a dark theme gets the
        // deeper shades so the row does not glare.
        const QColor back = role == CellRole::CurrentSim ? (dark ? QColor(0, 110, 0) : rgb(colour::kGreen))
                            : role == CellRole::CurrentEmu ? QColor(0, 0, 0xC0)
                                                           : (dark ? QColor(0, 0, 0xC0) : rgb(colour::kBlue));
        return {readableOn(Qt::white, back), back};
    }
    case CellRole::BitZero: {
        // Silver on a light theme; a quarter of the way from base to text on any theme.
        const QColor back = blend(base, text, 0.25);
        return {readableOn(text, back), back};
    }
    case CellRole::Marked: {
        const QColor back = rgb(mark);
        const QColor ink = contrastRatio(Qt::white, back) >= contrastRatio(Qt::black, back)
                               ? QColor(Qt::white)
                               : QColor(Qt::black);
        return {ink, back};
    }
    case CellRole::Breakpoint:
        return {readableOn(QColor(255, 0, 0), base), base};
    case CellRole::Busy:
        return {readableOn(blend(text, base, 0.5), base), base};
    }
    return {text, base};
}

QColor gridLineColour(const QPalette& p) {
    return blend(p.color(QPalette::Base), p.color(QPalette::Text), 0.12);
}

QColor cursorLineColour(const QPalette& p) {
    return blend(p.color(QPalette::Base), p.color(QPalette::Highlight), 0.12);
}

} // namespace zerka::gui
