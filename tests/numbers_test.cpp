#include "calc/numbers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <random>
#include <string>

namespace pierqty {
namespace {

struct ReadCase {
    const char *text;
    double value;
    NumberStatus status;
};

void PrintTo(const ReadCase &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

class ParseNumberTest : public testing::TestWithParam<ReadCase>
{
};

TEST_P(ParseNumberTest, ReadsLeadingNumber)
{
    const ReadCase &c = GetParam();
    const NumberReading r = ParseNumber(c.text);
    EXPECT_EQ(r.status, c.status) << '"' << c.text << '"';
    EXPECT_EQ(r.value, c.value) << '"' << c.text << '"';
    EXPECT_TRUE(std::isfinite(r.value));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberTest,
    testing::Values(
        // (The default field texts: calc_test's Parameters.) Blanks, signs, fractions and exponents.
        ReadCase{"  \t-0.25  ", -0.25, NumberStatus::Whole}, ReadCase{"\r\v2.5\f\n", 2.5, NumberStatus::Whole},
        ReadCase{"+7", 7.0, NumberStatus::Whole}, ReadCase{".5", 0.5, NumberStatus::Whole},
        ReadCase{"5.", 5.0, NumberStatus::Whole}, ReadCase{"1.5e3", 1500.0, NumberStatus::Whole},
        ReadCase{"2E-2", 0.02, NumberStatus::Whole},
        // An exponent without digits does not continue the number.
        ReadCase{"5e", 5.0, NumberStatus::Leading}, ReadCase{"1e+", 1.0, NumberStatus::Leading},
        ReadCase{"3.5m", 3.5, NumberStatus::Leading}, ReadCase{"1,5", 1.0, NumberStatus::Leading},
        ReadCase{"1 2", 1.0, NumberStatus::Leading},
        // No number at all reads as 0; neither NaN nor infinity nor hex.
        ReadCase{"", 0.0, NumberStatus::NoNumber}, ReadCase{"   ", 0.0, NumberStatus::NoNumber},
        ReadCase{"abc", 0.0, NumberStatus::NoNumber}, ReadCase{"-", 0.0, NumberStatus::NoNumber},
        ReadCase{".", 0.0, NumberStatus::NoNumber}, ReadCase{"inf", 0.0, NumberStatus::NoNumber},
        ReadCase{"nan", 0.0, NumberStatus::NoNumber}, ReadCase{"-infinity", 0.0, NumberStatus::NoNumber},
        ReadCase{"0x1p3", 0.0, NumberStatus::Leading},
        // Full-width forms typed with a Chinese input method.
        ReadCase{"\uff12\uff0e\uff15", 2.5, NumberStatus::Whole},
        ReadCase{"\u3000\uff0d\uff13", -3.0, NumberStatus::Whole},
        ReadCase{"\uff11\uff45\uff12", 100.0, NumberStatus::Whole}, ReadCase{"3\u7c73", 3.0, NumberStatus::Leading},
        // The ideographic full stop is the point key of those input methods;
        // the full-width comma is no decimal separator.
        ReadCase{"2\u30025", 2.5, NumberStatus::Whole}, ReadCase{"\u30025", 0.5, NumberStatus::Whole},
        ReadCase{"\uff12\u3002\uff15", 2.5, NumberStatus::Whole}, ReadCase{"2\uff0c5", 2.0, NumberStatus::Leading},
        ReadCase{"\u3002", 0.0, NumberStatus::NoNumber},
        ReadCase{"\xff"
                 "5",
                 0.0, NumberStatus::NoNumber},
        // A two-byte character with a stray continuation byte is no blank.
        ReadCase{"\xc3\x80\x80"
                 "5",
                 0.0, NumberStatus::NoNumber},
        // A character beyond the BMP is no digit, though its low 16 bits are
        // those of the full-width 1 (U+4FF11).
        ReadCase{"\U0004FF11", 0.0, NumberStatus::NoNumber},
        // Too small for a double is zero, not a fault.
        ReadCase{"1e-400", 0.0, NumberStatus::Whole}, ReadCase{"0.000e999999", 0.0, NumberStatus::Whole}),
    // Named by position and the text's ASCII letters and digits: "9_15e3" is "1.5e3".
    [](const testing::TestParamInfo<ReadCase> &info) {
        std::string name = std::to_string(info.index) + "_";
        for (const char *c = info.param.text; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)) && static_cast<unsigned char>(*c) < 0x80)
                name += *c;
        return name;
    });

TEST(ParseNumber, BeyondDoubleRangeIsOutOfRange)
{
    for (const char *text : {"1e309", "-1e400", "1e+400", "1e99999999999999999999",
                             "99999"
                             "e304",
                             "0.1e310"})
        EXPECT_EQ(ParseNumber(text).status, NumberStatus::OutOfRange) << text;
    // 1e350 written with 400 zeros and a negative exponent.
    std::string huge = "1";
    huge.append(400, '0').append("e-50");
    EXPECT_EQ(ParseNumber(huge).status, NumberStatus::OutOfRange);
    EXPECT_EQ(ParseNumber("1.7976931348623157e308").value, 1.7976931348623157e308);
    // Long digit strings whose value is far below the range are zero, not
    // out of range: the digits after the point do not raise the magnitude.
    // Nor does a four-digit exponent lift 1e-330 out of them.
    for (const std::string &text : {"0." + std::string(300, '0') + "1e-100", "0." + std::string(500, '1') + "e-400",
                                    "0." + std::string(1329, '0') + "1e1000"}) {
        const NumberReading r = ParseNumber(text);
        EXPECT_EQ(r.status, NumberStatus::Whole) << text.size();
        EXPECT_EQ(r.value, 0.0) << text.size();
    }
}

TEST(ToInt16, RoundsHalfToEvenWithinRange)
{
    const std::pair<double, int> cases[] = {{2.5, 2},         {3.5, 4},           {-2.5, -2},         {1000.4, 1000},
                                            {32767.0, 32767}, {-32768.0, -32768}, {-32768.5, -32768}, {0.5, 0}};
    for (const auto &[value, expected] : cases) {
        const auto result = ToInt16(value);
        ASSERT_TRUE(result.has_value()) << value;
        EXPECT_EQ(*result, expected) << value;
    }
    for (double value : {32768.0, 32767.5, -40000.0, -32769.0, 1e300, std::nan("")})
        EXPECT_FALSE(ToInt16(value).has_value()) << value;
}

TEST(FormatQuantity, PatternExamples)
{
    // Everyday magnitudes, ties included: AgreesWithExactConversion.
    const std::pair<double, const char *> cases[] = {{11.860112744476671, "11.860113"},
                                                     {9.9999996, "10.000000"},
                                                     {-0.0000004, "0.000000"},
                                                     {-0.0, "0.000000"},
                                                     {1e22, "10000000000000000000000.000000"}};
    for (const auto &[value, text] : cases)
        EXPECT_EQ(formatQuantity(value), text) << value;
}

// The quick conversion for everyday magnitudes must agree with the exact
// one everywhere, ties and near-ties included.
TEST(FormatQuantity, AgreesWithExactConversion)
{
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> exponent(-9.0, 13.0);
    std::uniform_int_distribution<int> micro(0, 99999999);
    const auto exact = [](double value) {
        char buffer[400];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6).ptr;
        std::string text(buffer, end);
        return text == "-0.000000" ? std::string("0.000000") : text;
    };
    for (int k = 0; k < 200000; ++k) {
        double value = std::pow(10.0, exponent(random));
        if (k % 3 == 0) // near a rounding tie: x.xxxxxx5 and its neighbours
            value = std::nextafter((micro(random) + 0.5) / 1e6, k % 2 ? 0.0 : 1e9);
        if (k % 5 == 0)
            value = -value;
        ASSERT_EQ(formatQuantity(value), exact(value)) << std::hexfloat << value;
    }
    EXPECT_EQ(formatQuantity(0.0078125), exact(0.0078125));
}

TEST(ExcerptText, CutsLongTextsAtACharacter)
{
    EXPECT_EQ(ExcerptText("2.5"), "2.5");
    const std::string forty(40, '7');
    EXPECT_EQ(ExcerptText(forty), forty);
    const std::string huge(1 << 20, '7');
    EXPECT_EQ(ExcerptText(huge), std::string(39, '7') + "\u2026");
    // Three-byte CJK characters are counted as one and never cut in two.
    std::string wide;
    for (int k = 0; k < 50; ++k)
        wide += "\u7c73";
    const std::string excerpt = ExcerptText(wide);
    EXPECT_EQ(excerpt.size(), 39u * 3u + 3u);
    EXPECT_EQ(excerpt.substr(excerpt.size() - 6), "\u7c73\u2026");
    EXPECT_EQ(ExcerptText("abcdef", 4), "abc\u2026");
}

// Each encoded length up to the last code point it holds, and the first of
// the next.
TEST(AppendUtf8, EncodesEachLengthToItsLimit)
{
    std::string out;
    for (const char32_t c : {0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu})
        AppendUtf8(out, c);
    EXPECT_EQ(out, "\x7f\u0080\u07ff\u0800\uffff\U00010000\U0010FFFF");
}

// A window switches the C locale to the user's; numbers must not follow it.
TEST(Locale, DecimalCommaLocaleChangesNothing)
{
    const char *previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    bool switched = false;
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name)) {
            switched = true;
            break;
        }
    }
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    const NumberReading r = ParseNumber("2.5");
    const std::string text = formatQuantity(11.860112744476671);
    const std::string shortest = ShortestText(0.1);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(r.value, 2.5);
    EXPECT_EQ(r.status, NumberStatus::Whole);
    EXPECT_EQ(text, "11.860113");
    EXPECT_EQ(shortest, "0.1");
}

} // namespace
} // namespace pierqty
