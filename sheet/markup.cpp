#include "sheet/markup.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace pierqty::sheet {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t k, char32_t *decoded)
{
    char32_t codePoint = 0;
    const auto byte = [&](std::size_t j) { return static_cast<unsigned char>(text[j]); };
    const unsigned char lead = byte(k);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        if (decoded)
            *decoded = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07u, minimum = 0x10000;
    } else {
        return 0;
    }
    if (k + length > text.size())
        return 0;
    for (std::size_t j = 1; j < length; ++j) {
        if ((byte(k + j) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(k + j) & 0x3Fu);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0; // overlong, beyond Unicode, or a surrogate
    if (decoded)
        *decoded = codePoint;
    return length;
}

namespace {

// Bidirectional embeddings, overrides and isolates: removed, never shown.
bool BidiControl(char32_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool Allowed(char32_t c)
{
    if (c == '\t' || c == '\n')
        return true;
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
        return false;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

void AppendEscaped(std::string &out, std::string_view text)
{
    for (std::size_t k = 0; k < text.size();) {
        const char c = text[k];
        switch (c) {
        case '&':
            out += "&amp;";
            ++k;
            continue;
        case '<':
            out += "&lt;";
            ++k;
            continue;
        case '>':
            out += "&gt;";
            ++k;
            continue;
        case '"':
            out += "&quot;";
            ++k;
            continue;
        case '\'':
            out += "&#39;";
            ++k;
            continue;
        case '\r':
            out += '\n';
            k += (k + 1 < text.size() && text[k + 1] == '\n') ? 2 : 1;
            continue;
        default:
            break;
        }
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceLength(text, k, &codePoint);
        if (length == 0) {
            out += kReplacement;
            ++k;
        } else {
            if (!BidiControl(codePoint)) // an override or isolate is dropped
                out += Allowed(codePoint) ? text.substr(k, length) : kReplacement;
            k += length;
        }
    }
}

std::string Escaped(std::string_view text)
{
    std::string out;
    AppendEscaped(out, text);
    return out;
}

std::string Fixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return "—";
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return "—";
    std::string text(buffer, result.ptr);
    // A negative value that rounds to zero is shown as zero.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string PlainNumber(double value)
{
    if (!std::isfinite(value))
        return "—";
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buffer[400]; // 309 integer digits at most, or a tiny value's decimals
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return "—";
    return std::string(buffer, result.ptr);
}

std::string WithMinusSign(std::string text)
{
    if (!text.empty() && text.front() == '-')
        text.replace(0, 1, "\u2212");
    return text;
}

std::string CssString(std::string_view text)
{
    const std::string clean = Escaped(text); // valid UTF-8, entities for & < > " '
    std::string out;
    for (std::size_t k = 0; k < clean.size(); ++k) {
        const char c = clean[k];
        if (c == '&') {
            // Turn each entity back into a CSS escape of its character.
            const std::size_t end = clean.find(';', k);
            const std::string_view entity = std::string_view(clean).substr(k, end - k + 1);
            out += entity == "&amp;" ? "\\26 "
                : entity == "&lt;"   ? "\\3c "
                : entity == "&gt;"   ? "\\3e "
                : entity == "&quot;" ? "\\22 "
                                     : "\\27 ";
            k = end;
        } else if (c == '\\') {
            out += "\\5c ";
        } else if (c == '\n' || c == '\t') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string Coordinate(double value)
{
    std::string text = Fixed(value, 2);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

MarkupWriter &MarkupWriter::open(std::string_view tag, std::initializer_list<Attribute> attributes)
{
    m_out += '<';
    m_out += tag;
    this->attributes(attributes);
    m_out += '>';
    m_open.emplace_back(tag);
    return *this;
}

MarkupWriter &MarkupWriter::close()
{
    m_out += "</";
    m_out += m_open.back();
    m_out += '>';
    m_open.pop_back();
    return *this;
}

MarkupWriter &MarkupWriter::empty(std::string_view tag, std::initializer_list<Attribute> attributes)
{
    m_out += '<';
    m_out += tag;
    this->attributes(attributes);
    m_out += "/>";
    return *this;
}

MarkupWriter &MarkupWriter::element(std::string_view tag, std::string_view text,
                                    std::initializer_list<Attribute> attributes)
{
    open(tag, attributes);
    AppendEscaped(m_out, text);
    return close();
}

MarkupWriter &MarkupWriter::text(std::string_view text)
{
    AppendEscaped(m_out, text);
    return *this;
}

MarkupWriter &MarkupWriter::raw(std::string_view markup)
{
    m_out += markup;
    return *this;
}

void MarkupWriter::attributes(std::initializer_list<Attribute> attributes)
{
    for (const auto &[name, value] : attributes) {
        m_out += ' ';
        m_out += name;
        m_out += "=\"";
        AppendEscaped(m_out, value);
        m_out += '"';
    }
}

} // namespace pierqty::sheet
