#include "gui/editor/asm_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <array>
#include <string>

namespace zerka::gui {

AsmLexer::AsmLexer(QObject* parent)
    : QsciLexerCustom(parent),
      words_(std::make_shared<AsmWords>(std::vector<std::string>{}, standardDirectives())) {}

void AsmLexer::setWords(std::shared_ptr<const AsmWords> words) {
    words_ = std::move(words);
    if (QsciScintilla* text = editor()) {
        // Marks everything unstyled; only what is shown gets coloured again.
        text->SendScintilla(QsciScintillaBase::SCI_STARTSTYLING, 0UL, 0L);
        text->viewport()->update();
    }
}

const char* AsmLexer::language() const {
    return "KXA/KXB assembly";
}

namespace {
// Each token kind's name in the style settings and its colour, in AsmToken order.
struct TokenStyle {
    const char* name;
    QRgb colour;
};
constexpr std::array<TokenStyle, kAsmTokenKinds> kTokenStyles = {{
    {"Default", qRgb(0x00, 0x00, 0x00)},
    {"Comment", qRgb(0x5F, 0x7F, 0x5F)},
    {"Instruction", qRgb(0x00, 0x33, 0xB3)},
    {"Directive", qRgb(0x87, 0x10, 0x94)},
    {"Number", qRgb(0xB3, 0x59, 0x00)},
    {"Label", qRgb(0xA3, 0x15, 0x15)},
    {"String", qRgb(0x06, 0x7D, 0x17)},
    {"Operator", qRgb(0x55, 0x55, 0x55)},
}};
} // namespace

QString AsmLexer::description(int style) const {
    if (style < 0 || style >= kAsmTokenKinds) return {};
    return QString::fromLatin1(kTokenStyles[size_t(style)].name);
}

QColor AsmLexer::defaultColor(int style) const {
    if (style < 0 || style >= kAsmTokenKinds) return QColor(Qt::black);
    return QColor(kTokenStyles[size_t(style)].colour);
}

QColor AsmLexer::defaultPaper(int) const {
    return QColor(Qt::white);
}

void AsmLexer::styleText(int start, int end) {
    QsciScintilla* text = editor();
    if (!text || end <= start) return;
    // Style whole lines: a label or comment depends on where the line starts.
    const long firstLine = text->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start);
    start =
        static_cast<int>(text->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, firstLine));
    std::string bytes(static_cast<size_t>(end - start) + 1, '\0');
    text->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, end, bytes.data());
    bytes.resize(static_cast<size_t>(end - start));

    // One style byte per text byte, handed over in one call.
    std::string styles(bytes.size(), static_cast<char>(AsmToken::Default));
    size_t at = 0;
    size_t lineStart = 0;
    while (lineStart < bytes.size()) {
        size_t lineEnd = bytes.find('\n', lineStart);
        const bool hasEnd = lineEnd != std::string::npos;
        if (!hasEnd) lineEnd = bytes.size();
        at = lineStart;
        scanAsmLine(std::string_view(bytes).substr(lineStart, lineEnd - lineStart), *words_,
                    [&](size_t n, AsmToken kind) {
                        if (kind != AsmToken::Default)
                            std::fill_n(styles.begin() + static_cast<long>(at), n,
                                        static_cast<char>(kind));
                        at += n;
                    });
        lineStart = lineEnd + 1;
    }
    startStyling(start);
    text->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX,
                        static_cast<unsigned long>(styles.size()), styles.data());
}

} // namespace zerka::gui
