#include "gui/editor/asm_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <algorithm>
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

QString AsmLexer::description(int style) const {
    switch (static_cast<AsmToken>(style)) {
    case AsmToken::Default:
        return QStringLiteral("Default");
    case AsmToken::Comment:
        return QStringLiteral("Comment");
    case AsmToken::Mnemonic:
        return QStringLiteral("Instruction");
    case AsmToken::Directive:
        return QStringLiteral("Directive");
    case AsmToken::Number:
        return QStringLiteral("Number");
    case AsmToken::Label:
        return QStringLiteral("Label");
    case AsmToken::String:
        return QStringLiteral("String");
    case AsmToken::Operator:
        return QStringLiteral("Operator");
    }
    return {};
}

QColor AsmLexer::defaultColor(int style) const {
    switch (static_cast<AsmToken>(style)) {
    case AsmToken::Comment:
        return QColor(0x5F, 0x7F, 0x5F);
    case AsmToken::Mnemonic:
        return QColor(0x00, 0x33, 0xB3);
    case AsmToken::Directive:
        return QColor(0x87, 0x10, 0x94);
    case AsmToken::Number:
        return QColor(0xB3, 0x59, 0x00);
    case AsmToken::Label:
        return QColor(0xA3, 0x15, 0x15);
    case AsmToken::String:
        return QColor(0x06, 0x7D, 0x17);
    case AsmToken::Operator:
        return QColor(0x55, 0x55, 0x55);
    case AsmToken::Default:
        break;
    }
    return QColor(Qt::black);
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
