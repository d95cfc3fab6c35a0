// The editor's language features on the offscreen platform: squiggles while typing, go to
// definition across an INCLUDE, hover texts — each compared with what `zerka lsp` says.
// The server's headers before Qt's: its emit keyword would clash with the core's signals.
#include "lsp/documents.h"
#include "lsp/server.h"

#include "gui/editor/editor_window.h"
#include "gui/editor/language_service.h"
#include "gui/editor/text_control.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace zerka::gui {
namespace {

using json = nlohmann::json;

const std::string kLib = std::string(ZERKA_SOURCE_DIR) + "/chips";

const char* kMain = "        INCLUDE KXA1608.INC\n"
                    "        INCLUDE DEFS.ASM\n"
                    "        ORG     0\n"
                    "START:  CLRF    TOTAL\n"
                    "        JMP     START\n";
const char* kDefs = "; the program's data bytes\n"
                    "TOTAL   EQU     80H\n";

// What the language server itself answers for the same texts.
class ServerSays {
  public:
    ServerSays() : server_([this](const json& m) { out_.push_back(m); }) {
        server_.handle({{"jsonrpc", "2.0"},
                        {"id", 1},
                        {"method", "initialize"},
                        {"params",
                         {{"capabilities", json::object()},
                          {"initializationOptions", {{"chip", "KXA1608"}, {"lib", kLib}}}}}});
    }
    void open(const std::string& path, const std::string& text) {
        server_.handle({{"jsonrpc", "2.0"},
                        {"method", "textDocument/didOpen"},
                        {"params",
                         {{"textDocument",
                           {{"uri", lsp::uriFromPath(path)},
                            {"languageId", "asm"},
                            {"version", 1},
                            {"text", text}}}}}});
        server_.tick(true);
    }
    json diagnostics(const std::string& path) const {
        json last = json::array();
        for (const json& m : out_)
            if (m.value("method", "") == "textDocument/publishDiagnostics" &&
                m["params"]["uri"] == lsp::uriFromPath(path))
                last = m["params"]["diagnostics"];
        return last;
    }
    std::string hover(const std::string& path, int line, int character) {
        out_.clear();
        server_.handle({{"jsonrpc", "2.0"},
                        {"id", 7},
                        {"method", "textDocument/hover"},
                        {"params",
                         {{"textDocument", {{"uri", lsp::uriFromPath(path)}}},
                          {"position", {{"line", line}, {"character", character}}}}}});
        for (const json& m : out_)
            if (m.value("id", 0) == 7 && m["result"].is_object())
                return m["result"]["contents"]["value"];
        return {};
    }

  private:
    std::vector<json> out_;
    lsp::Server server_;
};

class LanguageFeaturesTest : public ::testing::Test {
  protected:
    LanguageFeaturesTest() {
        main = dir.write("main.asm", kMain).string();
        defs = dir.write("DEFS.ASM", kDefs).string();
        window.setLanguageSettings([] { return LanguageSettings{"KXA1608", kLib, ""}; });
        window.resize(900, 600);
        window.show();
    }
    TextControl* text() {
        return qobject_cast<TextControl*>(
            window.findChild<QTabWidget*>(QStringLiteral("editorTabs"))->currentWidget());
    }
    // The squiggled range that covers a position, from the control's indicator.
    std::pair<long, long> squiggleAt(long position) {
        const int i = TextControl::kDiagnosticIndicator;
        if (!text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, i, position))
            return {-1, -1};
        return {text()->SendScintilla(QsciScintillaBase::SCI_INDICATORSTART, i, position),
                text()->SendScintilla(QsciScintillaBase::SCI_INDICATOREND, i, position)};
    }
    // Any squiggle at all: the indicator's first run (0 when it was never set) is not the whole
    // text without it.
    bool anySquiggle() {
        const int i = TextControl::kDiagnosticIndicator;
        const long end = text()->SendScintilla(QsciScintillaBase::SCI_INDICATOREND, i, 0L);
        return text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, i, 0L) ||
               (end > 0 && end < text()->length());
    }
    long positionOf(int line, int column) { return text()->lineStart(line) + column; }

    test::TempDir dir;
    std::string main, defs;
    EditorDocuments docs;
    EditorWindow window{docs};
};

TEST_F(LanguageFeaturesTest, TypedErrorIsSquiggledWhereTheServerSaysAndGoesWhenFixed) {
    ASSERT_TRUE(docs.openFile(main));
    // A clean program: after an analysis, nothing is squiggled.
    ServerSays clean;
    clean.open(main, kMain);
    ASSERT_TRUE(clean.diagnostics(main).empty()) << clean.diagnostics(main).dump();
    QTest::qWait(600);
    EXPECT_FALSE(anySquiggle());

    // Typing an undefined name: the squiggle appears on that word of that line.
    docs.gotoLine(1, 4);
    text()->setFocus();
    QTest::keyClicks(text(), "        JMP     NOWHERE");
    QTest::keyClick(text(), Qt::Key_Return);
    const long inside = positionOf(4, 18);
    ASSERT_TRUE(QTest::qWaitFor([&] { return squiggleAt(inside).first >= 0; }, 10000));

    ServerSays server;
    server.open(main, std::string(docs.text(1).bytes()));
    const json said = server.diagnostics(main);
    ASSERT_EQ(said.size(), 1u) << said.dump();
    const json& range = said[0]["range"];
    ASSERT_EQ(range["start"]["line"], 4);
    EXPECT_EQ(squiggleAt(inside),
              std::make_pair(positionOf(4, range["start"]["character"].get<int>()),
                             positionOf(4, range["end"]["character"].get<int>())));
    EXPECT_EQ(squiggleAt(positionOf(3, 2)).first, -1); // the line above is clean

    // A key typed and taken back: the text is the one already analysed, the squiggle stays.
    QTest::keyClick(text(), Qt::Key_X);
    QTest::keyClick(text(), Qt::Key_Backspace);
    QTest::qWait(1500);
    EXPECT_GE(squiggleAt(inside).first, 0);
    test::saveScreenshot(window, QStringLiteral("editor_squiggle"));

    // The message is the hover tip there.
    Q_EMIT text()->SCN_DWELLSTART(int(inside), 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text()->accessibleDescription().isEmpty(); }, 5000));
    EXPECT_TRUE(text()->accessibleDescription().startsWith(
        QString::fromStdString(said[0]["message"].get<std::string>())))
        << text()->accessibleDescription().toStdString();
    Q_EMIT text()->SCN_DWELLEND(int(inside), 0, 0);

    // Fixed (the name now defined): the squiggle goes.
    docs.gotoLine(1, 4);
    QTest::keyClicks(text(), "NOWHERE:");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !anySquiggle(); }, 10000));
}

TEST_F(LanguageFeaturesTest, F12OpensTheIncludedFileAtTheDefinition) {
    ASSERT_TRUE(docs.openFile(main));
    // The caret on TOTAL in "START:  CLRF    TOTAL".
    text()->setFocus();
    docs.text(1).select(positionOf(3, 18), positionOf(3, 18));
    QTest::keyClick(text(), Qt::Key_F12);
    ASSERT_TRUE(QTest::qWaitFor([&] { return docs.slotCount() == 2; }, 10000));
    EXPECT_EQ(docs.pathOf(docs.currentSlot()), defs);
    EXPECT_EQ(lineOfOffset(docs.text(2).bytes(), docs.text(2).selectionStart()), 1);
    EXPECT_EQ(text()->selectedText(), QStringLiteral("TOTAL"));

    // Ctrl+click on START in the main file goes to its label there.
    docs.select(1);
    const long at = positionOf(4, 17);
    const QPoint point(
        int(text()->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, at)),
        int(text()->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, at)) + 2);
    QTest::mouseClick(text()->viewport(), Qt::LeftButton, Qt::ControlModifier, point);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text()->selectedText() == "START"; }, 10000));
    EXPECT_EQ(docs.currentSlot(), 1);
    EXPECT_EQ(lineOfOffset(docs.text(1).bytes(), docs.text(1).selectionStart()), 3);
}

TEST_F(LanguageFeaturesTest, HoverShowsTheServersText) {
    ASSERT_TRUE(docs.openFile(main));
    ServerSays server;
    server.open(main, kMain);
    // A symbol of the included file and a mnemonic of the chip's core.
    for (const auto& [line, column] : {std::pair{3, 18}, std::pair{3, 9}}) {
        const std::string expected = server.hover(main, line, column);
        ASSERT_FALSE(expected.empty());
        const long at = positionOf(line, column);
        Q_EMIT text()->SCN_DWELLSTART(int(at), 0, 0);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !text()->accessibleDescription().isEmpty(); }, 10000));
        EXPECT_EQ(text()->accessibleDescription().toStdString(), expected);
        EXPECT_TRUE(text()->SendScintilla(QsciScintillaBase::SCI_CALLTIPACTIVE));
        Q_EMIT text()->SCN_DWELLEND(int(at), 0, 0);
        EXPECT_TRUE(text()->accessibleDescription().isEmpty());
    }
}

TEST_F(LanguageFeaturesTest, ClosingTheWindowWhileAnAnalysisRunsIsSafe) {
    // A long program keeps the analysis busy while the window goes.
    std::string big = "        INCLUDE KXA1608.INC\n        ORG 0\n";
    for (int i = 0; i < 20000; ++i)
        big += "L" + std::to_string(i) + ":  NOP\n";
    const std::string path = dir.write("big.asm", big).string();
    auto docs2 = std::make_unique<EditorDocuments>();
    auto* other = new EditorWindow(*docs2);
    other->setLanguageSettings([] { return LanguageSettings{"KXA1608", kLib, ""}; });
    ASSERT_TRUE(docs2->openFile(path));
    QTest::qWait(300); // the analysis has started
    docs2->text(1).replace(0, 0, "; edited\n");
    delete other;
    QTest::qWait(50);
    // The texts are back in the documents, whole and still modified.
    EXPECT_EQ(docs2->text(1).bytes(), "; edited\n" + big);
    EXPECT_TRUE(docs2->isModified(1));
}

} // namespace
} // namespace zerka::gui
