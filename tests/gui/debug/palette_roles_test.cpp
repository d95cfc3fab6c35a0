// The colours of every cell role on a light, a dark (Fusion) and two high-contrast palettes:
// text keeps WCAG AA contrast (4.5:1) on its background, and the light theme keeps its
// familiar colours.
#include "gui/debug/palette_roles.h"

#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

#include <memory>

namespace zerka::gui {
namespace {

QPalette lightPalette() {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(42, 42, 42));
    p.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Mid, QColor(35, 35, 35));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}

QPalette highContrast(bool dark) {
    const QColor back = dark ? Qt::black : Qt::white;
    const QColor ink = dark ? Qt::white : Qt::black;
    QPalette p;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button})
        p.setColor(role, back);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, dark ? QColor(Qt::yellow) : ink);
    p.setColor(QPalette::Highlight, dark ? QColor(0, 255, 255) : QColor(0, 0, 128));
    p.setColor(QPalette::HighlightedText, back);
    return p;
}

constexpr CellRole kRoles[] = {CellRole::Normal,     CellRole::Header,     CellRole::Changed,
                               CellRole::BitOne,     CellRole::BitZero,    CellRole::Marked,
                               CellRole::Breakpoint, CellRole::CurrentSim, CellRole::CurrentEmu,
                               CellRole::Busy};

TEST(PaletteRoles, EveryRoleIsReadableOnEveryTheme) {
    const std::pair<const char*, QPalette> themes[] = {{"light", lightPalette()},
                                                       {"dark", darkPalette()},
                                                       {"high contrast dark", highContrast(true)},
                                                       {"high contrast light", highContrast(false)}};
    const Rgb marks[] = {colour::kGrey, {200, 40, 40}, colour::kYellow, {0, 0, 128}};
    for (const auto& [theme, palette] : themes) {
        for (CellRole role : kRoles)
            for (Rgb mark : marks) {
                const RolePaint p = rolePaint(role, palette, mark);
                EXPECT_GE(contrastRatio(p.text, p.background), 4.5)
                    << theme << " role " << int(role) << " text " << p.text.name().toStdString()
                    << " on " << p.background.name().toStdString();
            }
        // The source view's cursor line under the plain text and the breakpoint text.
        const QColor line = cursorLineColour(palette);
        EXPECT_GE(contrastRatio(readableOn(palette.color(QPalette::Text), line), line), 4.5);
        EXPECT_GE(contrastRatio(readableOn(QColor(255, 0, 0), line), line), 4.5) << theme;
        // The plain cells follow the theme instead of staying white.
        EXPECT_EQ(rolePaint(CellRole::Normal, palette).background, palette.color(QPalette::Base));
    }
}

TEST(PaletteRoles, ColoursMoveOnlyAsFarAsReadabilityNeeds) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(contrastRatio(QColor(0, 0, 255), Qt::white), 8.59, 0.01);
    // Pure red on white is 4.0:1 (too faint for text): it is darkened, and stays red.
    const QColor red = readableOn(QColor(255, 0, 0), Qt::white);
    EXPECT_LT(contrastRatio(QColor(255, 0, 0), Qt::white), 4.5);
    EXPECT_GE(contrastRatio(red, Qt::white), 4.5);
    EXPECT_GT(red.red(), 150);
    EXPECT_EQ(red.green(), red.blue());
    // On a dark base the same red is lightened instead.
    const QColor onDark = readableOn(QColor(255, 0, 0), QColor(42, 42, 42));
    EXPECT_GT(onDark.green(), 0);
    EXPECT_EQ(onDark.red(), 255);
    // A colour that is readable already is kept.
    EXPECT_EQ(readableOn(QColor(0, 0, 128), Qt::white), QColor(0, 0, 128));

    // The light theme keeps the windows' colours: white on blue, white on green.
    const QPalette light = lightPalette();
    EXPECT_EQ(rolePaint(CellRole::Changed, light).background, QColor(0, 0, 255));
    EXPECT_EQ(rolePaint(CellRole::Changed, light).text, QColor(Qt::white));
    EXPECT_EQ(rolePaint(CellRole::CurrentSim, light).background, QColor(0, 128, 0));
    EXPECT_EQ(rolePaint(CellRole::Marked, light, {200, 40, 40}).background, QColor(200, 40, 40));
}

} // namespace
} // namespace zerka::gui
