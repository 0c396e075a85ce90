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

    std::size_t depth() const { return m_open.size(); }
    std::string &out() { return m_out; }

private:
    void attributes(std::initializer_list<Attribute> attributes);

    std::string &m_out;
    std::vector<std::string> m_open;
};

} // namespace pierqty::sheet
