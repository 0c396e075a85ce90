#include "calc/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace pierqty {

namespace {

// A character that can never be part of a number nor a blank; stands for
// any non-ASCII code point that has no ASCII twin.
constexpr char kForeign = '\x01';

// Decodes UTF-8 and folds the full-width forms U+FF01..U+FF5E onto ASCII, the
// ideographic space U+3000 onto a blank and the ideographic full stop U+3002
// onto a point. Invalid bytes become kForeign.
std::string FoldToAscii(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++pos;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07u;
        }
        bool valid = length != 0 && pos + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto cont = static_cast<unsigned char>(text[pos + k]);
            valid = (cont & 0xC0) == 0x80;
            cp = (cp << 6) | (cont & 0x3Fu);
        }
        if (!valid) {
            out.push_back(kForeign);
            ++pos;
            continue;
        }
        pos += length;
        if (cp >= 0xFF01 && cp <= 0xFF5E)
            out.push_back(static_cast<char>(cp - 0xFEE0));
        else if (cp == 0x3000)
            out.push_back(' ');
        else if (cp == 0x3002) // ideographic full stop, the point key of a Chinese input method
            out.push_back('.');
        else
            out.push_back(kForeign);
    }
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Decimal exponent of the first significant digit of an unsigned number
// given as its mantissa and exponent digits, used only to tell an overflow
// from an underflow. Saturates far outside the double range.
long long LeadingDecimalExponent(std::string_view mantissa, std::string_view exponent)
{
    long long exp10 = 0;
    bool negative = false;
    std::size_t k = 0;
    if (k < exponent.size() && (exponent[k] == '+' || exponent[k] == '-'))
        negative = exponent[k++] == '-';
    for (; k < exponent.size(); ++k) {
        if (exp10 < 1'000'000'000)
            exp10 = exp10 * 10 + (exponent[k] - '0');
    }
    if (negative)
        exp10 = -exp10;

    long long integerDigits = 0;
    long long zerosAfterPoint = 0;
    bool seenPoint = false;
    bool seenSignificant = false;
    for (char c : mantissa) {
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if (!seenSignificant && c == '0') {
            if (seenPoint)
                ++zerosAfterPoint;
            continue;
        }
        seenSignificant = true;
        if (!seenPoint)
            ++integerDigits;
    }
    return integerDigits > 0 ? integerDigits - 1 + exp10 : exp10 - zerosAfterPoint - 1;
}

// Where the leading number of an ASCII-folded text lies: its sign, the
// unsigned mantissa (digits and point), the exponent's digits with their
// sign, and the end of the number.
struct NumberSpan {
    bool negative = false;
    std::size_t digits = 0; // of the mantissa: none means no number
    std::size_t mantissaStart = 0;
    std::size_t mantissaEnd = 0;
    std::size_t exponentStart = 0; // mantissaEnd when there is no exponent
    std::size_t end = 0;
};

NumberSpan ScanNumber(std::string_view s)
{
    NumberSpan span;
    std::size_t pos = 0;
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;

    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        span.negative = s[pos++] == '-';
    span.mantissaStart = pos;
    while (pos < s.size() && IsDigit(s[pos])) {
        ++pos;
        ++span.digits;
    }
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && IsDigit(s[pos])) {
            ++pos;
            ++span.digits;
        }
    }
    span.mantissaEnd = pos;

    // An exponent continues the number only when at least one digit follows.
    span.exponentStart = pos;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        std::size_t probe = pos + 1;
        if (probe < s.size() && (s[probe] == '+' || s[probe] == '-'))
            ++probe;
        if (probe < s.size() && IsDigit(s[probe])) {
            span.exponentStart = pos + 1;
            pos = probe;
            while (pos < s.size() && IsDigit(s[pos]))
                ++pos;
        }
    }
    span.end = pos;
    return span;
}

} // namespace

NumberReading ParseNumber(std::string_view text)
{
    const std::string ascii = FoldToAscii(text);
    const std::string_view s = ascii;
    const NumberSpan span = ScanNumber(s);
    if (span.digits == 0)
        return {0.0, NumberStatus::NoNumber};

    // from_chars takes no '+' sign; give it the unsigned part only.
    double magnitude = 0.0;
    const char *first = s.data() + span.mantissaStart;
    const char *last = s.data() + span.end;
    const auto result = std::from_chars(first, last, magnitude, std::chars_format::general);

    NumberReading reading;
    std::size_t rest = span.end;
    while (rest < s.size() && IsBlank(s[rest]))
        ++rest;
    reading.status = rest == s.size() ? NumberStatus::Whole : NumberStatus::Leading;

    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view mantissa = s.substr(span.mantissaStart, span.mantissaEnd - span.mantissaStart);
        const std::string_view exponent = span.exponentStart > span.mantissaEnd
            ? s.substr(span.exponentStart, span.end - span.exponentStart)
            : std::string_view{};
        if (LeadingDecimalExponent(mantissa, exponent) >= 0) {
            reading.status = NumberStatus::OutOfRange;
            reading.value = 0.0;
            return reading;
        }
        magnitude = 0.0; // underflow: too small to tell from zero
    } else if (result.ec != std::errc{} || result.ptr != last || !std::isfinite(magnitude)) {
        // Cannot happen for the digits scanned above; read defensively as 0.
        return {0.0, NumberStatus::NoNumber};
    }
    reading.value = span.negative ? -magnitude : magnitude;
    return reading;
}

std::optional<std::int16_t> ToInt16(double value)
{
    // nearbyint rounds in the current mode, which is round-to-nearest-even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

namespace {

// The general fixed-point conversion: exact for every double.
void AppendFixed6Exact(std::string &out, double value)
{
    // Enough for the largest double in fixed form: 309 digits, sign, point, 6.
    std::array<char, 330> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    if (text == "-0.000000")
        text.remove_prefix(1);
    out.append(text);
}

} // namespace

void AppendFixed6(std::string &out, double value)
{
    // Fast path for the magnitudes of real quantities. scaled is |value| x 1e6
    // rounded once, so it lies within half an ulp (at most 2^-13 below 2^40)
    // of the exact product. Unless its fraction is within 2^-10 of one half,
    // the exact product rounds to the same integer; otherwise, and for large
    // magnitudes, the exact conversion decides.
    const double magnitude = std::fabs(value);
    const double scaled = magnitude * 1e6;
    if (!(scaled < 0x1p40)) {
        AppendFixed6Exact(out, value);
        return;
    }
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 0x1p-10) {
        AppendFixed6Exact(out, value);
        return;
    }
    const auto micro = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1u : 0u);
    if (value < 0 && micro != 0)
        out += '-';
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), micro / 1000000u);
    out.append(digits.data(), result.ptr);
    out += '.';
    std::uint64_t fractionDigits = micro % 1000000u;
    char six[6];
    for (int k = 5; k >= 0; --k) {
        six[k] = static_cast<char>('0' + fractionDigits % 10u);
        fractionDigits /= 10u;
    }
    out.append(six, 6);
}

std::string formatQuantity(double value)
{
    std::string out;
    AppendFixed6(out, value);
    return out;
}

std::string ShortestText(double value)
{
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

void AppendInteger(std::string &out, long long value)
{
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

std::string ExcerptText(std::string_view text, std::size_t maxCharacters)
{
    std::size_t characters = 0;
    std::size_t cut = 0; // where the character that the ellipsis replaces starts
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if ((static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
            continue; // a continuation byte belongs to the character before it
        ++characters;
        if (characters == maxCharacters)
            cut = pos;
        else if (characters > maxCharacters)
            return std::string(text.substr(0, maxCharacters == 0 ? 0 : cut)) + "\u2026";
    }
    return std::string(text);
}

std::string_view TrimText(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void AppendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace pierqty
