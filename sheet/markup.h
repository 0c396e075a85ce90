// A small writer for markup that is both HTML5 and well-formed XML: every
// element is closed, attribute values are quoted, and text is escaped so
// that no user text can open a tag, end an attribute or carry a character
// that XML 1.0 forbids.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pierqty::sheet {

// Appends text with &, <, >, " and ' escaped; bytes that are not valid
// UTF-8, control characters other than tab, LF and CR, C1 controls, DEL and
// the non-characters U+FFFE/U+FFFF become U+FFFD. CR LF and lone CR become LF.
// The bidirectional embeddings, overrides and isolates (U+202A-U+202E,
// U+2066-U+2069) are removed: a title cannot reverse the text after it.
void AppendEscaped(std::string &out, std::string_view text);
std::string Escaped(std::string_view text);

// Length of the valid UTF-8 sequence that starts at text[k] (1 to 4), or 0
// for a byte that starts none: a stray continuation byte, an overlong form,
// a surrogate or a code point beyond U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t k, char32_t *codePoint = nullptr);

// A number for SVG coordinates: at most two decimals, no exponent, "." as
// the separator whatever the locale.
std::string Coordinate(double value);

// A number with a fixed count of decimals (locale-free), e.g. tick labels.
std::string Fixed(double value, int decimals);

// The shortest digits that read back as value, never with an exponent
// (100000, not 1e+05); "—" for a value that is not finite.
std::string PlainNumber(double value);

// The text with a leading hyphen-minus turned into the minus sign U+2212,
// as printed text writes negative numbers and operators alike.
std::string WithMinusSign(std::string text);

// The text as the inside of a CSS string in a <style> element that is also
// well-formed XML: quotes, backslashes, <, > and & escaped, line breaks and
// controls as blanks, invalid UTF-8 and bidirectional controls as above.
std::string CssString(std::string_view text);

using Attribute = std::pair<std::string_view, std::string_view>;

class MarkupWriter
{
public:
    explicit MarkupWriter(std::string &out) : m_out(out) { }

    // <tag a="v" ...>; values are escaped.
    MarkupWriter &open(std::string_view tag, std::initializer_list<Attribute> attributes = {});
    // Closes the innermost open element.
    MarkupWriter &close();
    // <tag .../>: HTML's void elements and childless SVG elements only.
    MarkupWriter &empty(std::string_view tag, std::initializer_list<Attribute> attributes = {});
    // <tag ...>text</tag>
    MarkupWriter &element(std::string_view tag, std::string_view text,
                          std::initializer_list<Attribute> attributes = {});
    // Escaped text.
    MarkupWriter &text(std::string_view text);
    // Markup written by this program itself (never user text): a formula
    // with <sub>, a CSS block. Must be well-formed on its own.
    MarkupWriter &raw(std::string_view markup);

private:
    void attributes(std::initializer_list<Attribute> attributes);

    std::string &m_out;
    std::vector<std::string> m_open;
};

} // namespace pierqty::sheet
