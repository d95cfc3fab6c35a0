#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/text.h"
#include "preproc_fixture.h"

namespace zerka::test {
namespace {
namespace fs = std::filesystem;
using ::testing::ElementsAre;

using ReaderTest = PreprocTest;

TEST_F(ReaderTest, UpperCasesCutsAndNumbersLines) {
    const std::string longLine = "DB " + std::string(200, '1');
    ASSERT_TRUE(readMain("  mvl 5 ; Note\r\n\n\nstart: nop\n" + longLine + "\n\n   \nlast"));
    const auto l = lineList();
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0]->workingText, "  MVL 5 ; NOTE");
    EXPECT_EQ(l[0]->storedText, l[0]->workingText);
    EXPECT_EQ(l[0]->lineNumber, 1);
    EXPECT_EQ(l[0]->operationId, int(OpId::MVL));
    EXPECT_EQ(l[1]->workingText, "START: NOP");
    EXPECT_EQ(l[1]->lineNumber, 4); // empty lines count but are not stored
    EXPECT_EQ(l[2]->workingText.size(), SourceLine::kTextMax);
    EXPECT_EQ(l[2]->lineNumber, 5);
    EXPECT_EQ(l[3]->workingText, "   "); // blanks only is not empty
    EXPECT_EQ(l[3]->lineNumber, 7);
    EXPECT_EQ(l[4]->workingText, "LAST");
    EXPECT_EQ(l[4]->lineNumber, 8);
    for (const SourceLine* s : l)
        EXPECT_EQ(s->fileIndex, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReaderTest, NestedIncludesWithEitherSeparatorAndAnyCase) {
    dir.write("lib/regs.inc", "r1 equ 1\ninclude lib/deep.inc\nr2 equ 2\n");
    dir.write("lib/Deep.Inc", "\ndeep equ 3\n");
    ASSERT_TRUE(readMain("first\nINCLUDE LIB\\REGS.INC ; registers\nlast\n"));
    EXPECT_THAT(texts(), ElementsAre("FIRST", "R1 EQU 1", "DEEP EQU 3", "R2 EQU 2", "LAST"));
    const auto l = lineList();
    EXPECT_EQ(l[1]->fileIndex, 1);
    EXPECT_EQ(l[1]->lineNumber, 1);
    EXPECT_EQ(l[2]->fileIndex, 2);
    EXPECT_EQ(l[2]->lineNumber, 2);
    EXPECT_EQ(l[3]->fileIndex, 1);
    EXPECT_EQ(l[3]->lineNumber, 3);
    EXPECT_EQ(l[4]->lineNumber, 3);
    const auto f = fileList();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(fs::path(f[1]), (dir.path() / "lib/regs.inc").lexically_normal());
    EXPECT_EQ(fs::path(f[2]), (dir.path() / "lib/Deep.Inc").lexically_normal());
    // Include names are relative to the main file's folder, not to the including file.
    EXPECT_TRUE(errors.empty());
}

TEST_F(ReaderTest, AbsoluteIncludeNamesAreAbsoluteInAnyCase) {
    TempDir other;
    other.write("Lib/Regs.inc", "outside\n");
    // The line is upper-cased when read, so every component of the path is found ignoring case;
    // the main folder plays no part.
    const fs::path inc = other.path() / "Lib" / "Regs.inc";
    const std::string missing = (other.path() / "NONE.INC").generic_string();
    std::string backslashed = inc.generic_string();
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    EXPECT_FALSE(readMain("INCLUDE " + backslashed + "\nINCLUDE " + missing + "\n"));
    EXPECT_THAT(texts(), ElementsAre("OUTSIDE"));
    EXPECT_EQ(fs::path(fileList().at(1)), inc);
    EXPECT_EQ(onlyError().code, 1);
    EXPECT_EQ(*onlyError().detail, toUpperAscii(missing));
    EXPECT_EQ(includePath("/m", "\\X\\Y.INC"), fs::path("/X/Y.INC"));
    EXPECT_EQ(includePath("/m", "X\\Y.INC"), fs::path("/m/X/Y.INC"));
}

TEST_F(ReaderTest, EveryFileIsReadOnce) {
    dir.write("A.INC", "a\n");
    EXPECT_FALSE(readMain("INCLUDE A.INC\nINCLUDE A.INC\n"));
    PreprocError e = onlyError();
    EXPECT_EQ(e.code, 20);
    EXPECT_EQ(*e.detail, (dir.path() / "A.INC").generic_string());
    EXPECT_EQ(e.fileIndex, 0);
    EXPECT_EQ(e.lineNumber, 2);
}

TEST_F(ReaderTest, CircularIncludeOfTheMainFile) {
    dir.write("B.INC", "\nINCLUDE main.asm\n");
    EXPECT_FALSE(readMain("INCLUDE B.INC\n"));
    const PreprocError e = onlyError();
    EXPECT_EQ(e.code, 20);
    EXPECT_EQ(e.fileIndex, 1);
    EXPECT_EQ(e.lineNumber, 2);
    // The same file through another spelling of its path is still the same file.
    errors.clear();
    TLinePack lines2, files2, open2;
    env.lines = &lines2;
    env.files = &files2;
    env.openFiles = &open2;
    dir.write("sub/C.INC", "INCLUDE SUB/../SUB/C.INC\n");
    EXPECT_FALSE(readMain("INCLUDE SUB/C.INC\n", "M2.ASM"));
    EXPECT_EQ(onlyError().code, 20);
}

TEST_F(ReaderTest, MissingAndEmptyIncludeNames) {
    EXPECT_FALSE(readMain("INCLUDE NONE.INC\n"));
    PreprocError e = onlyError();
    EXPECT_EQ(e.code, 1);
    EXPECT_TRUE(e.fatal);
    EXPECT_EQ(*e.detail, (dir.path() / "NONE.INC").generic_string());
    errors.clear();
    TLinePack lines2, files2, open2;
    env.lines = &lines2;
    env.files = &files2;
    env.openFiles = &open2;
    EXPECT_FALSE(readMain("   INCLUDE   ; nothing\n", "M2.ASM"));
    e = onlyError();
    EXPECT_EQ(e.code, 20);
    EXPECT_EQ(e.detail, std::optional<std::string>(""));
}

TEST_F(ReaderTest, MissingMainFileAndFolders) {
    SourceReader reader(env);
    EXPECT_FALSE(reader.Read(dir.path() / "ABSENT.ASM", false));
    EXPECT_EQ(onlyError().code, 1);
    errors.clear();
    fs::create_directories(dir.path() / "FOLDER.INC");
    EXPECT_FALSE(readMain("INCLUDE FOLDER.INC\n"));
    EXPECT_EQ(onlyError().code, 1);
}

TEST_F(ReaderTest, IncludeRootConfinesIncludes) {
    TempDir outside;
    outside.write("SECRET.INC", "secret\n");
    const fs::path rel = fs::relative(outside.path() / "SECRET.INC", dir.path());
    env.includeRoot = dir.path();
    EXPECT_FALSE(readMain("INCLUDE " + rel.generic_string() + "\n"));
    EXPECT_EQ(onlyError().code, 1);
    EXPECT_TRUE(lines.empty());
}

TEST_F(ReaderTest, AtMost255FilesPerRun) {
    std::string main;
    for (int i = 1; i <= 255; ++i) {
        dir.write("F" + std::to_string(i) + ".INC", "L" + std::to_string(i) + "\n");
        main += "INCLUDE F" + std::to_string(i) + ".INC\n";
    }
    EXPECT_FALSE(readMain(main));
    const PreprocError e = onlyError();
    EXPECT_EQ(e.code, 6);
    EXPECT_EQ(e.lineNumber, 255);
    EXPECT_EQ(files.count(), 255u);
    EXPECT_EQ(lines.count(), 254u);
}

TEST_F(ReaderTest, IncludeInFalseBranchIsSkippedButStillChecked) {
    dir.write("X.INC", "x\n");
    ASSERT_TRUE(readMain("DEFINE ON, 0\nIF ON\nINCLUDE X.INC\nENDIF\nkeep\n"));
    EXPECT_THAT(texts(), ElementsAre("DEFINE ON, 0", "KEEP"));
    errors.clear();
    TLinePack lines2, files2, open2;
    env.lines = &lines2;
    env.files = &files2;
    env.openFiles = &open2;
    EXPECT_FALSE(readMain("IF FALSE\nINCLUDE M3.ASM\nENDIF\n", "M3.ASM"));
    EXPECT_EQ(onlyError().code, 20);
}

TEST_F(ReaderTest, ObjectFileNames) {
    EXPECT_TRUE(isObjectFileName("LIB.OBJ"));
    EXPECT_TRUE(isObjectFileName("lib.Obj"));
    EXPECT_TRUE(isObjectFileName("..\\OUT\\LIB.OBJ"));
    EXPECT_TRUE(isObjectFileName("V1.2/LIB.OBJ"));
    EXPECT_FALSE(isObjectFileName("LIB.OBJX"));
    EXPECT_FALSE(isObjectFileName("LIB.V2.OBJ"));
    EXPECT_FALSE(isObjectFileName("LIBOBJ"));
}

TEST_F(ReaderTest, ObjectIncludeReCreatesLines) {
    // One MVL 12h word with a plain operand, the module's own label START.
    const std::string obj = std::string("\x84L0005START\x85\x86") + "00000000" + "\x87" + "\x80" +
                            "00000000" + "\x81" + "\x82" + "\x8D" + "0000" + "\x8D" + "0000" +
                            "\x8D" + "0000" + "0612" + "\x88";
    dir.write("out/lib.obj", obj);
    ASSERT_TRUE(readMain("INCLUDE OUT\\LIB.OBJ\nafter\n"));
    EXPECT_THAT(texts(), ElementsAre("START", "MVL       0012H", "AFTER"));
    EXPECT_EQ(lineList()[1]->fileIndex, 1);
    EXPECT_TRUE(lineList()[1]->isObject);
    EXPECT_EQ(fileList().size(), 2u);
}

TEST_F(ReaderTest, MacroDefinitionsGoToTheMacroList) {
    dir.write("BODY.INC", "  addl 1\n");
    ASSERT_TRUE(readMain("before\nM1 MACRO A, B\n MVL A\n IF A\nINCLUDE BODY.INC\n ENDIF\n"
                         " ENDM\nafter\n"));
    EXPECT_THAT(texts(), ElementsAre("BEFORE", "AFTER"));
    ASSERT_EQ(macros.count(), 1u);
    TLinePack* body = macros.at(0);
    EXPECT_EQ(body->name(), "M1");
    std::vector<std::string> b;
    for (const SourceLine& l : *body)
        b.push_back(l.workingText);
    // IF lines belong to the body; the included file's lines too.
    EXPECT_THAT(b, ElementsAre("M1 MACRO A, B", " MVL A", " IF A", "  ADDL 1", " ENDIF", " ENDM"));
    EXPECT_EQ(body->begin()->operandCount(), 2);
}

TEST_F(ReaderTest, MacroErrors) {
    struct Case {
        const char* text;
        int code;
        std::optional<std::string> detail;
    };
    const Case cases[] = {
        {"A MACRO\nB MACRO\nENDM\nENDM\n", 16, "B MACRO"},
        {"ENDM\n", 16, "ENDM"},
        {" MACRO X\nENDM\n", 16, std::nullopt},
        {"OPEN MACRO\n NOP\n", 16, "OPEN"}, // never closed: the rest would vanish into it
    };
    int n = 0;
    for (const Case& c : cases) {
        errors.clear();
        TLinePack lines2, files2, open2;
        TLinePackLink macros2;
        env.lines = &lines2;
        env.files = &files2;
        env.openFiles = &open2;
        env.macros = &macros2;
        EXPECT_FALSE(readMain(c.text, "E" + std::to_string(n++) + ".ASM")) << c.text;
        const PreprocError e = onlyError();
        EXPECT_EQ(e.code, c.code) << c.text;
        EXPECT_EQ(e.detail, c.detail) << c.text;
    }
}

TEST_F(ReaderTest, DefineValuesAndErrors) {
    ASSERT_TRUE(readMain("DEFINE A, 5\nDEFINE B, +5\nDEFINE C, -5\nDEFINE D, 0FH\nDEFINE A, 7\n"));
    const TSymDefPack& d = tables.defines;
    ASSERT_EQ(d.count(), 4);
    EXPECT_EQ(d.findEntry("A")->value, 7); // replaced
    EXPECT_EQ(d.findEntry("A")->kind, 'V');
    EXPECT_EQ(d.findEntry("B")->value, 5);
    EXPECT_EQ(d.findEntry("C")->value, -5);
    EXPECT_EQ(d.findEntry("D")->value, 15);
    for (const char* bad : {"DEFINE E, 5-\n", "DEFINE F\n", "DEFINE G, X\n"}) {
        errors.clear();
        TLinePack lines2, files2, open2;
        env.lines = &lines2;
        env.files = &files2;
        env.openFiles = &open2;
        EXPECT_FALSE(readMain(bad, "D.ASM")) << bad;
        EXPECT_EQ(onlyError().code, 13) << bad;
    }
    EXPECT_EQ(errors[0].detail, std::optional<std::string>("X"));
}

TEST_F(ReaderTest, DefineActsInFalseBranchesAndMacroBodies) {
    ASSERT_TRUE(readMain("IF FALSE\nDEFINE HIDDEN, 3\nENDIF\nM MACRO\nDEFINE INBODY, 4\nENDM\n"));
    EXPECT_EQ(tables.defines.findEntry("HIDDEN")->value, 3);
    EXPECT_EQ(tables.defines.findEntry("INBODY")->value, 4);
}

TEST_F(ReaderTest, EndStopsAllReading) {
    dir.write("E.INC", "one\nEND\ntwo\n");
    ASSERT_TRUE(readMain("zero\nINCLUDE E.INC\nthree\n"));
    EXPECT_THAT(texts(), ElementsAre("ZERO", "ONE"));
}

TEST_F(ReaderTest, IfElseEndif) {
    ASSERT_TRUE(readMain("DEFINE OFF, 0\nDEFINE ON, 2\n"
                         "IF OFF\nno1\nELSE\nyes1\nENDIF\nyes2\n"
                         "IF ON\nyes3\nELSE\nno2\nENDIF\n"
                         "IF ON = 2\nyes4\nENDIF\n"
                         "IF ON, 3\nno3\nENDIF\n"
                         "IF FALSE\nno4\nENDIF\n"
                         "IF OFF - 1\nno5\nENDIF\n"));
    EXPECT_THAT(texts(),
                ElementsAre("DEFINE OFF, 0", "DEFINE ON, 2", "YES1", "YES2", "YES3", "YES4"));
}

TEST_F(ReaderTest, SecondIfReplacesTheFirst) {
    ASSERT_TRUE(readMain("IF 0\nno1\nIF 1\nyes1\nELSE\nno2\nENDIF\nyes2\n"));
    EXPECT_THAT(texts(), ElementsAre("YES1", "YES2"));
}

TEST_F(ReaderTest, IfErrors) {
    struct Case {
        const char* text;
        int code;
        const char* detail;
    };
    const Case cases[] = {{"IF UNKNOWN\n", 5, "UNKNOWN"},
                          {"IF 1 = NOPE\n", 5, "NOPE"},
                          {"IF\n", 13, "IF"},
                          {"IF 1, 2, 3\n", 13, "IF"}};
    int n = 0;
    for (const Case& c : cases) {
        errors.clear();
        TLinePack lines2, files2, open2;
        env.lines = &lines2;
        env.files = &files2;
        env.openFiles = &open2;
        EXPECT_FALSE(readMain(c.text, "I" + std::to_string(n++) + ".ASM")) << c.text;
        const PreprocError e = onlyError();
        EXPECT_EQ(e.code, c.code) << c.text;
        EXPECT_EQ(e.detail, std::optional<std::string>(c.detail)) << c.text;
        EXPECT_EQ(e.lineNumber, 1);
    }
}

TEST_F(ReaderTest, TooManyOperandsIsAnError) {
    std::string text = "DB 0";
    for (int i = 0; i < 29; ++i)
        text += ",1";
    EXPECT_FALSE(readMain(text + "\n"));
    EXPECT_EQ(onlyError().code, 14);
}

TEST_F(ReaderTest, BinaryBytesDoNotUpsetTheReader) {
    std::string junk;
    for (int i = 0; i < 256; ++i)
        junk.push_back(char(i));
    ASSERT_TRUE(readMain(junk + "\n" + junk));
    EXPECT_EQ(lines.count(), 4u); // the "\n" inside the junk splits each copy in two
}

} // namespace
} // namespace zerka::test
