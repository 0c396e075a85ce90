// Text and number routines the calculation relies on: reading a number out of
// typed text, rounding to a 16-bit integer, and the fixed six-decimal format.
// None of them depends on the C locale: the window's QApplication switches
// it to the user's, and a decimal comma must never creep into a quantity.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pierqty {

// How a text was read by ParseNumber.
enum class NumberStatus {
    Whole, // the text is one number, blanks around it allowed
    Leading, // a number followed by characters that cannot continue it
    NoNumber, // no leading number at all: reads as 0
    OutOfRange // a number beyond the range of a double
};

struct NumberReading {
    double value = 0.0;
    NumberStatus status = NumberStatus::NoNumber;
};

// Reads the leading decimal number of a UTF-8 text: leading blanks skipped,
// optional sign, digits, optional fraction and exponent; stops at the first
// character that cannot continue the number. Full-width digits, signs, point
// and blank, and the ideographic full stop "。" (as a Chinese input method
// types them) read like ASCII; "。" reads as the decimal point. Never
// yields NaN or infinity: "inf", "nan" and "0x1p3" read as 0, 0 and 0. A
// magnitude too small for a double reads as 0 (or a subnormal).
NumberReading ParseNumber(std::string_view text);

// Nearest integer, ties to even; nullopt outside -32768..32767 (or for NaN).
std::optional<std::int16_t> ToInt16(double value);

// Fixed-point text with exactly six decimals, pattern "0.000000", as every
// quantity is shown: rounded to the nearest, no exponent, no grouping,
// never "-0.000000". Finite values only.
std::string formatQuantity(double value);

// Appends formatQuantity(value) to out without a temporary string.
void AppendFixed6(std::string &out, double value);

// Shortest text that reads back to the same double.
std::string ShortestText(double value);

// Decimal digits of an integer, no sign for non-negative values, no blanks.
void AppendInteger(std::string &out, long long value);

// A typed text for quoting in a message: the text itself when it has at most
// maxCharacters characters (UTF-8 code points), else its first
// maxCharacters - 1 characters and "…". Never cuts a character in two.
std::string ExcerptText(std::string_view text, std::size_t maxCharacters = 40);

// text without the characters of blanks at either end: by default blanks
// and tabs, as the cells of a table are trimmed.
std::string_view TrimText(std::string_view text, std::string_view blanks = " \t");

// Appends the UTF-8 form of the code point c (at most U+10FFFF).
void AppendUtf8(std::string &out, char32_t c);

} // namespace pierqty
