#pragma once
// Highlighting of the assembly language for QScintilla: one lexer per text control, sharing
// the word lists of the selected core. Used by the editor and the read-only source view.
#include "editor/asm_tokens.h"

#include <Qsci/qscilexercustom.h>

#include <memory>

namespace zerka::gui {

class AsmLexer : public QsciLexerCustom {
    Q_OBJECT
  public:
    explicit AsmLexer(QObject* parent = nullptr);

    // New word lists; the text is coloured again as it comes into view.
    void setWords(std::shared_ptr<const AsmWords> words);

    const char* language() const override;
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QColor defaultPaper(int style) const override;
    void styleText(int start, int end) override;

  private:
    std::shared_ptr<const AsmWords> words_;
};

} // namespace zerka::gui
