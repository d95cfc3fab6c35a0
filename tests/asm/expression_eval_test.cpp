#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "asm/expression.h"

namespace zerka {
namespace {

class ExpressionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        table.add("K", "0010H", 0, 'C', 0x10);
        table.add("L", "L", 0, 'L', 0x234);
        table.add("LAB@3", "LAB@3", 0, 'L', 0x100);
        table.add("BIG", "0A000H", 0, 'C', 0xA000);
    }
    Evaluation eval(std::string_view text) const { return evaluateExpression(text, table); }
    TSymDefPack table;
};

TEST_F(ExpressionTest, ExamplesOfConstantsLabelsAndModifiers) {
    Evaluation e = eval("K+1");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x11);
    EXPECT_EQ(e.text, "0011H");

    e = eval("L+1");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x235);
    EXPECT_EQ(e.text, "L+1");

    e = eval("HIGH L");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x02);
    EXPECT_EQ(e.text, "HIGH L");

    e = eval("K-20H");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, -0x10);
    EXPECT_EQ(e.text, "0-0010H");
}

TEST_F(ExpressionTest, TermsNumbersAndBlanks) {
    Evaluation e = eval("  0FFH ");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 255);
    EXPECT_EQ(e.text, "0FFH"); // a lone number keeps its own text

    e = eval("L\t-\t2");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x232);
    EXPECT_EQ(e.text, "L-2");

    e = eval("LAB@3+K"); // "@" belongs to terms; a name's text replaces it
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x110);
    EXPECT_EQ(e.text, "LAB@3+0010H");

    e = eval("K+L"); // folding looks only at the text so far
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x244);
    EXPECT_EQ(e.text, "0244H");

    e = eval("0-5");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, -5);
    EXPECT_EQ(e.text, "0-0005H");

    e = eval("");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0);
    EXPECT_EQ(e.text, "");
}

TEST_F(ExpressionTest, ModifiersActOnTheWholeExpressionAndTheLastOneWins) {
    Evaluation e = eval("LOW L+1");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x35);
    EXPECT_EQ(e.text, "LOW L+1");

    e = eval("LOW HIGH L");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x02);
    EXPECT_EQ(e.text, "HIGH L");

    e = eval("UP 123456H");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x12);
    EXPECT_EQ(e.text, "UP 123456H");

    e = eval("HIGH 0-1"); // the shift of a negative value keeps only bits 8..15
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0xFF);

    // A modifier after an operator still applies to everything.
    e = eval("L+LOW 3");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x37);
    EXPECT_EQ(e.text, "LOW L+3");
}

TEST_F(ExpressionTest, FailureCases) {
    EXPECT_FALSE(eval("-5").ok); // a leading "-" is an operator
    EXPECT_FALSE(eval("+5").ok);
    EXPECT_FALSE(eval("1++2").ok);
    EXPECT_FALSE(eval("1+-2").ok);
    EXPECT_FALSE(eval("1 2").ok);
    EXPECT_FALSE(eval("L HIGH").ok);
    EXPECT_FALSE(eval("UNKNOWN").ok);
    EXPECT_FALSE(eval("L+UNKNOWN").ok);
    EXPECT_FALSE(eval("0AB").ok); // not a number and not a name
    EXPECT_FALSE(eval("k").ok);   // names are compared exactly
    EXPECT_FALSE(eval("LOW +1").ok);
}

TEST_F(ExpressionTest, CharacterOutsideTheTermAlphabetStopsTheExpression) {
    // Nothing before "*" was a complete term.
    Evaluation e = eval("5*2");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0);
    EXPECT_EQ(e.text, "");

    e = eval("5 *2");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 5);
    EXPECT_EQ(e.text, "5");

    e = eval("L+1(X)"); // "1" is not closed by a blank, an operator or the end
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x234);
    EXPECT_EQ(e.text, "L");

    e = eval("K+1 ;comment");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x11);
}

TEST_F(ExpressionTest, FoldedTextsEvaluateAgainToTheSameValue) {
    // Letters first would read as a name: such texts get a leading zero.
    Evaluation e = eval("BIG+1");
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.text, "0A001H");
    EXPECT_EQ(constantText(-0xB000), "0-0B000H");
    EXPECT_EQ(constantText(0x12345), "12345H");
    EXPECT_EQ(constantText(0), "0000H");

    for (const char* text : {"BIG+1", "0-BIG", "K-20H", "7FFFFFFFH+1", "0-80000000H-1",
                             "0FFFFFFFFH+0", "K+L-3", "UP BIG+BIG"}) {
        Evaluation first = eval(text);
        ASSERT_TRUE(first.ok) << text;
        Evaluation again = eval(first.text);
        ASSERT_TRUE(again.ok) << text << " -> " << first.text;
        EXPECT_EQ(again.value, first.value) << text;
        EXPECT_EQ(again.text, first.text) << text;
    }
    // Sums wrap at 32 bits.
    EXPECT_EQ(eval("7FFFFFFFH+1").value, INT32_MIN);
    EXPECT_EQ(eval("7FFFFFFFH+1").text, "0-80000000H");
}

TEST_F(ExpressionTest, RewriteReplacesTextOnlyOnSuccess) {
    std::string text = "K+1";
    int32_t value = 0;
    EXPECT_TRUE(rewriteExpression(text, table, &value));
    EXPECT_EQ(text, "0011H");
    EXPECT_EQ(value, 0x11);

    text = "NOPE+1";
    value = 77;
    EXPECT_FALSE(rewriteExpression(text, table, &value));
    EXPECT_EQ(text, "NOPE+1");
    EXPECT_EQ(value, 77);

    // Macro parameters: a local table's replacement texts.
    TSymDefPack local;
    local.add("P1", "PORTA", 0, 'C', 0);
    text = "P1+2";
    EXPECT_TRUE(rewriteExpression(text, local));
    EXPECT_EQ(text, "PORTA+2");
}

TEST_F(ExpressionTest, CallerLookupResolvesNames) {
    // Object symbols: a label's value is its address plus the object's base.
    TSymDefPack obj;
    obj.add("F", "F", 0x300, 'L', 0x10);
    TermLookup lookup = [&obj](std::string_view name) -> std::optional<TermBinding> {
        const SymbolEntry* e = obj.findEntry(name);
        if (!e) return std::nullopt;
        return TermBinding{e->value + e->extra, e->text};
    };
    Evaluation e = evaluateExpression("HIGH F+2", lookup);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.value, 0x03);
    EXPECT_EQ(e.text, "HIGH F+2");
    EXPECT_FALSE(evaluateExpression("G", lookup).ok);
    EXPECT_FALSE(evaluateExpression("G", TermLookup{}).ok);
    EXPECT_TRUE(evaluateExpression("12", TermLookup{}).ok);
}

} // namespace
} // namespace zerka
