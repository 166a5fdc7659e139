// Parameter strings: parsing, lookup with its cache, write-back and truth tests.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "host/Parameters.h"

namespace autoplacer {
namespace {

std::string Entries(const TParameterList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        out += "[" + list[i].Name + "][" + list[i].Value + "]";
    }
    return out;
}

TEST(ParseParameters, KeepsOrderAndDuplicatesAndDropsNamelessSegments) {
    TParameterList list;
    ParseParameters("A=1|B|C=x=y| =5|A=2", list);
    EXPECT_EQ(Entries(list), "[A][1][C][x=y][A][2]");
    std::string value;
    ASSERT_TRUE(GetParameter("A=1|B|C=x=y| =5|A=2", "A", value));
    EXPECT_EQ(value, "1");
}

TEST(ParseParameters, TrimsBlanksAndControlCharacters) {
    TParameterList list;
    ParseParameters("\t Name \r= \n value with  blanks \x01|Empty=|  =|X = ", list);
    EXPECT_EQ(Entries(list), "[Name][value with  blanks][Empty][][X][]");
}

TEST(ParseParameters, TextWithoutEqualsOrNilIsAnEmptyList) {
    TParameterList list;
    list.Add("Stale", "1");
    ParseParameters("Just|some|words", list);
    EXPECT_EQ(list.Count(), 0);
    list.Add("Stale", "1");
    ParseParameters(nullptr, list);
    EXPECT_EQ(list.Count(), 0);
    ParseParameters("", list);
    EXPECT_EQ(list.Count(), 0);
}

TEST(GetParameter, NamesFoldOnlyPlainLettersAndMustHaveTheSameLength) {
    std::string value;
    EXPECT_TRUE(GetParameter("action=IsRunning", "ACTION", value));
    EXPECT_EQ(value, "IsRunning");
    EXPECT_FALSE(GetParameter("Action=1", "Actio", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(GetParameter("Action=1", "Actions", value));
    // Bytes outside a to z compare as they are: "\xe4" (a-umlaut in Latin-1) is not "\xc4".
    EXPECT_FALSE(GetParameter("\xe4=1", "\xc4", value));
    EXPECT_TRUE(GetParameter("\xe4=1", "\xe4", value));
    // '[' and '{' differ although they sit 32 apart like letter cases.
    EXPECT_FALSE(GetParameter("[=1", "{", value));
}

TEST(GetParameter, AnswersFalseWithEmptyValueForMissingInput) {
    std::string value = "left over";
    EXPECT_FALSE(GetParameter(nullptr, "A", value));
    EXPECT_EQ(value, "");
    value = "left over";
    EXPECT_FALSE(GetParameter("", "A", value));
    EXPECT_EQ(value, "");
    value = "left over";
    EXPECT_FALSE(GetParameter("B=2", "A", value));
    EXPECT_EQ(value, "");
}

TEST(GetParameter, EmptyValueIsFoundAndLongValuesAreCut) {
    std::string value = "x";
    EXPECT_TRUE(GetParameter("A=|B=2", "A", value));
    EXPECT_EQ(value, "");
    const std::string longValue(400, 'v');
    EXPECT_TRUE(GetParameter(("Long=" + longValue).c_str(), "Long", value));
    EXPECT_EQ(value, std::string(255, 'v'));
}

TEST(GetParameter, ReparsesWhenTheSameBufferChanges) {
    std::array<char, 64> buffer{};
    std::strcpy(buffer.data(), "Mode=AutoAlign");
    std::string value;
    ASSERT_TRUE(GetParameter(buffer.data(), "Mode", value));
    EXPECT_EQ(value, "AutoAlign");
    std::strcpy(buffer.data(), "Mode=AutoSelect");
    ASSERT_TRUE(GetParameter(buffer.data(), "Mode", value));
    EXPECT_EQ(value, "AutoSelect");
    // Same length, one byte different.
    std::strcpy(buffer.data(), "Mode=AutoSelecT");
    ASSERT_TRUE(GetParameter(buffer.data(), "Mode", value));
    EXPECT_EQ(value, "AutoSelecT");
}

TEST(SetParameter, AppendsOrReplacesTheFirstEntryAndWritesTheWholeList) {
    std::array<char, 256> buffer{};
    std::strcpy(buffer.data(), "Action=IsRunning");
    ASSERT_TRUE(SetParameter(buffer.data(), 256, "Result", "True"));
    EXPECT_STREQ(buffer.data(), "Action=IsRunning|Result=True");

    std::strcpy(buffer.data(), " A = 1 |junk|a=2");
    ASSERT_TRUE(SetParameter(buffer.data(), 256, "A", "  3  "));
    EXPECT_STREQ(buffer.data(), "A=3|a=2");

    buffer[0] = '\0';
    ASSERT_TRUE(SetParameter(buffer.data(), 256, "Result", "False"));
    EXPECT_STREQ(buffer.data(), "Result=False");
}

TEST(SetParameter, EmptyValuesAreWrittenAsOneBlank) {
    std::array<char, 256> buffer{};
    std::strcpy(buffer.data(), "A=|B=2");
    ASSERT_TRUE(SetParameter(buffer.data(), 256, "C", ""));
    EXPECT_STREQ(buffer.data(), "A= |B=2|C= ");
    // The blank reads back as an empty value.
    std::string value = "x";
    EXPECT_TRUE(GetParameter(buffer.data(), "C", value));
    EXPECT_EQ(value, "");
}

TEST(SetParameter, NeverWritesBeyondTheBuffer) {
    // A guard area after the buffer must stay untouched.
    std::array<char, 32> memory{};
    memory.fill('#');
    char* buffer = memory.data();
    std::strcpy(buffer, "Action=IsRunning");  // 16 bytes + zero
    const int32_t size = 20;
    EXPECT_FALSE(SetParameter(buffer, size, "Result", "False"));
    EXPECT_STREQ(buffer, "Action=IsRunning");
    for (std::size_t i = size; i < memory.size(); ++i) {
        EXPECT_EQ(memory[i], '#') << "byte " << i;
    }
    // Exactly fitting: "R=1" needs 4 bytes.
    std::array<char, 4> exact{};
    EXPECT_TRUE(SetParameter(exact.data(), 4, "R", "1"));
    EXPECT_STREQ(exact.data(), "R=1");
    std::array<char, 3> tooSmall{'x', 'y', 'z'};
    EXPECT_FALSE(SetParameter(tooSmall.data(), 3, "R", "1"));
    EXPECT_EQ(std::string(tooSmall.data(), 3), "xyz");
    EXPECT_FALSE(SetParameter(nullptr, 10, "R", "1"));
}

TEST(SetParameter, ReadsAnUnterminatedBufferOnlyUpToItsSize) {
    std::array<char, 16> memory{};
    memory.fill('Z');
    std::memcpy(memory.data(), "AA=11|B=2", 9);  // no zero anywhere
    // The first 11 bytes are the text: "AA=11|B=2ZZ".
    EXPECT_TRUE(SetParameter(memory.data(), 11, "AA", "5"));
    EXPECT_STREQ(memory.data(), "AA=5|B=2ZZ");
    EXPECT_EQ(memory[11], 'Z');
}

TEST(ParameterIsTrue, AcceptsTrueInAnyCaseWithBlanksOnly) {
    EXPECT_TRUE(ParameterIsTrue("Test=true", "Test"));
    EXPECT_TRUE(ParameterIsTrue("Test = True ", "Test"));
    EXPECT_TRUE(ParameterIsTrue("x=1|TEST=TRUE", "test"));
    EXPECT_FALSE(ParameterIsTrue("Test=Yes", "Test"));
    EXPECT_FALSE(ParameterIsTrue("Test=1", "Test"));
    EXPECT_FALSE(ParameterIsTrue("Test=Truely", "Test"));
    EXPECT_FALSE(ParameterIsTrue("Test=", "Test"));
    EXPECT_FALSE(ParameterIsTrue("Other=True", "Test"));
    EXPECT_FALSE(ParameterIsTrue(nullptr, "Test"));
    // The first entry decides.
    EXPECT_FALSE(ParameterIsTrue("Test=False|Test=True", "Test"));
}

}  // namespace
}  // namespace autoplacer
