#include <gtest/gtest.h>

#include "io/KicadBoard.h"
#include "io/SExpr.h"

namespace {

using io::SExprDocument;
using io::SExprError;

const char* kSmallBoard =
    "(kicad_pcb (version 20240108) (generator \"pcbnew\")\n"
    "  (layers (0 \"F.Cu\" signal) (31 \"B.Cu\" signal))\n"
    "  (net 0 \"\") (net 1 \"GND\")\n"
    "  (footprint \"R:R_0603\" (layer \"F.Cu\") (at 10 20 90)\n"
    "    (property \"Reference\" \"R1\" (at 0 -1.5 90) (layer \"F.SilkS\"))\n"
    "    (pad \"1\" smd rect (at -0.8 0 90) (size 0.9 1) (layers \"F.Cu\") (net 1 \"GND\"))\n"
    "  )\n"
    ")\n";

TEST(SExprTest, WritesUntouchedTextBackByteForByte) {
    const std::string inputs[] = {
        kSmallBoard,
        "(a)",
        "  (a\tb\r\n  (c \"d e\" \"with \\\"quotes\\\" and \\\\\")\r\n)\r\n\r\n",
        "(a(b)(c)d)",
        "(x \"multi\nline\" y)\n",
    };
    for (const std::string& in : inputs) {
        EXPECT_EQ(SExprDocument::parse(in)->write(), in);
    }
}

TEST(SExprTest, EveryTruncationOfAValidFileIsAnError) {
    const std::string full = kSmallBoard;
    const size_t end = full.rfind(')') + 1;  // what follows the last ')' is only a line end
    ASSERT_NO_THROW(SExprDocument::parse(full));
    for (size_t i = 0; i < end; ++i) {
        EXPECT_THROW(SExprDocument::parse(full.substr(0, i)), SExprError) << "prefix of length " << i;
    }
    for (size_t i = 0; i < full.size(); ++i) {
        EXPECT_THROW(SExprDocument::parse(full.substr(full.size() - i)), SExprError) << "suffix of length " << i;
    }
}

TEST(SExprTest, ErrorsNameLineAndColumn) {
    struct Case {
        const char* text;
        uint32_t line, column;
    };
    const Case cases[] = {
        {"(a\n  (b \"open", 2, 6},         // string not terminated: at its opening quote
        {"(a (b)\n))", 2, 2},                // the extra ')'
        {"(a (b c)\n", 2, 1},                // end of file inside a list
        {"junk (a)", 1, 1},                  // text before the list
        {"(a) (b)", 1, 5},                   // a second top-level list
        {"", 1, 1},                          // nothing at all
    };
    for (const Case& c : cases) {
        try {
            SExprDocument::parse(c.text);
            ADD_FAILURE() << "no error for: " << c.text;
        } catch (const SExprError& e) {
            EXPECT_EQ(e.line(), c.line) << c.text << ": " << e.what();
            EXPECT_EQ(e.column(), c.column) << c.text << ": " << e.what();
        }
    }
}

TEST(SExprTest, BadNumbersAreReportedWhereTheyStand) {
    auto doc = SExprDocument::parse("(a\n   (at 1.5 2x))");
    const io::SNode* at = doc->root().child("at");
    ASSERT_NE(at, nullptr);
    EXPECT_DOUBLE_EQ(at->at(1)->number(), 1.5);
    try {
        at->at(2)->number();
        FAIL() << "2x read as a number";
    } catch (const SExprError& e) {
        EXPECT_EQ(e.line(), 2u);
        EXPECT_EQ(e.column(), 12u);
    }
    for (const char* bad : {"(n \"1\")", "(n nan)", "(n inf)", "(n 1e999)", "(n -)", "(n 1.2.3)", "(n +-1)", "(n ++1)"}) {
        auto d = SExprDocument::parse(bad);
        EXPECT_THROW(d->root().at(1)->number(), SExprError) << bad;
    }
    EXPECT_DOUBLE_EQ(SExprDocument::parse("(n +2.5)")->root().at(1)->number(), 2.5);
    EXPECT_THROW(SExprDocument::parse("(n 2.5)")->root().at(1)->integer(), SExprError);
}

TEST(SExprTest, MalformedBoardsGiveErrorsNotCrashes) {
    // Balanced but wrong: each must be a located error from the board view.
    const char* boards[] = {
        "(kicad_pcb)",                                                   // no version
        "(not_a_board (version 20240108))",                              // wrong head
        "(kicad_pcb (version 2024x))",                                   // bad version
        "(kicad_pcb (version 20240108) (footprint \"x\" (at 1)))",       // at without y
        "(kicad_pcb (version 20240108) (footprint \"x\" (pad \"1\" smd)))",  // pad without shape
        "(kicad_pcb (version 20240108) (footprint \"x\" (pad \"1\" smd rect (size 1 1))))",  // no position
        "(kicad_pcb (version 20240108) (gr_line (start 0 0) (layer \"Edge.Cuts\")))",   // no end
        "(kicad_pcb (version 20240108) (layers (x \"F.Cu\" signal)))",   // layer id not a number
    };
    for (const char* text : boards) {
        EXPECT_THROW(io::KicadBoard::fromDocument(SExprDocument::parse(text)), SExprError) << text;
    }
}

TEST(SExprTest, EditsChangeOnlyTheEditedTokens) {
    auto doc = SExprDocument::parse("(a (at 1 2)\n  (seg 1)\n  (seg 2)\n  (keep \"x\"))\n");
    io::SNode& root = doc->root();
    io::SNode* at = root.child("at");
    doc->setAtomNumber(*at->at(1), 12.7);
    doc->append(*at, *doc->newSymbol("90"));
    doc->remove(*root.at(2));
    doc->append(root, *doc->newString("say \"hi\"", "\n  "));
    EXPECT_TRUE(doc->modified());
    EXPECT_EQ(doc->write(), "(a (at 12.7 2 90)\n  (seg 2)\n  (keep \"x\")\n  \"say \\\"hi\\\"\")\n");
    EXPECT_EQ(root.childCount(), 5u);  // removed nodes are not children any more
    EXPECT_EQ(root.at(4)->value(), "say \"hi\"");
}

TEST(SExprTest, NumbersAreFormattedLikeKiCadWritesThem) {
    EXPECT_EQ(SExprDocument::formatNumber(1.27), "1.27");
    EXPECT_EQ(SExprDocument::formatNumber(-0.0000001), "0");
    EXPECT_EQ(SExprDocument::formatNumber(100), "100");
    EXPECT_EQ(SExprDocument::formatNumber(-3.1415926), "-3.141593");
}

TEST(SExprTest, CommentsOnlyWhereAsked) {
    io::SParseOptions options;
    options.commentChar = ';';
    const std::string text = "; rules\n(r (a 1) ; why\n (b \"x;y\"))\n";
    auto doc = SExprDocument::parse(text, options);
    EXPECT_EQ(doc->write(), text);
    EXPECT_EQ(doc->root().childCount(), 3u);
    EXPECT_EQ(doc->root().child("b")->at(1)->value(), "x;y");
    // Without comments a ';' is part of a symbol.
    EXPECT_EQ(SExprDocument::parse("(a b;c)")->root().at(1)->value(), "b;c");
}

TEST(SExprTest, DeepNestingNeitherOverflowsNorLosesText) {
    std::string deep(200000, '(');
    deep += std::string(200000, ')');
    auto doc = SExprDocument::parse(deep);
    EXPECT_EQ(doc->write(), deep);
    EXPECT_THROW(SExprDocument::parse(deep.substr(0, deep.size() - 1)), SExprError);
}

}  // namespace
