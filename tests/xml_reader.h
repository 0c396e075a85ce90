// A small, strict reader of the calculation sheet as XML: elements,
// attributes, text, the five predefined entities and &#39;, after an optional
// <!DOCTYPE html>. It rejects what a browser would forgive: an unclosed or
// mismatched element, a repeated or unquoted attribute, a raw '<' or '&',
// invalid UTF-8, characters XML 1.0 forbids, and anything else it does not know.
#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xmltest {

struct Node {
    std::string name; // empty for a text node
    std::map<std::string, std::string> attributes;
    std::vector<std::unique_ptr<Node>> children;
    std::string text; // text node content, entities decoded

    std::string attribute(const std::string &key) const
    {
        const auto found = attributes.find(key);
        return found == attributes.end() ? std::string() : found->second;
    }

    // All text below this node, in document order.
    std::string textContent() const
    {
        std::string out = text;
        for (const auto &child : children)
            out += child->textContent();
        return out;
    }

    // This element and the elements below it named so (all for ""), in document order.
    std::vector<const Node *> all(const std::string &element = "") const
    {
        std::vector<const Node *> out;
        if (!name.empty() && (element.empty() || name == element))
            out.push_back(this);
        for (const auto &child : children) {
            const auto below = child->all(element);
            out.insert(out.end(), below.begin(), below.end());
        }
        return out;
    }

    // The text of each cell of this table row.
    std::vector<std::string> cells() const
    {
        std::vector<std::string> out;
        for (const Node *cell : all("td"))
            out.push_back(cell->textContent());
        return out;
    }

    // The text of the element with this id, or a note that there is none.
    std::string textOf(const std::string &id) const
    {
        const Node *node = byId(id);
        return node ? node->textContent() : "(no #" + id + ")";
    }

    const Node *byId(const std::string &id) const
    {
        auto found = all();
        std::erase_if(found, [&](const Node *n) { return n->attribute("id") != id; });
        if (found.size() > 1)
            throw std::runtime_error("id '" + id + "' used more than once");
        return found.empty() ? nullptr : found.front();
    }

    std::vector<const Node *> byClass(const std::string &cls) const
    {
        auto found = all();
        std::erase_if(found, [&](const Node *n) {
            return std::string(" ").append(n->attribute("class")).append(" ").find(" " + cls + " ") ==
                std::string::npos;
        });
        return found;
    }
};

// The parser's state and steps; Parse below reads a whole document.
struct Reader {
    std::string_view input;
    std::size_t pos = 0;

    [[noreturn]] void fail(const std::string &why) const
    {
        throw std::runtime_error("XML error at byte " + std::to_string(pos) + ": " + why + " near '" +
                                 std::string(input.substr(pos, 40)) + "'");
    }

    bool take(std::string_view expected)
    {
        const bool found = input.substr(pos).starts_with(expected);
        pos += found ? expected.size() : 0;
        return found;
    }

    void checkCharacters()
    {
        for (pos = 0; pos < input.size();) {
            const auto lead = static_cast<unsigned char>(input[pos]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            if (length == 0 || lead >= 0xF8 || pos + length > input.size())
                fail("invalid UTF-8");
            char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
            for (std::size_t j = 1; j < length; ++j) {
                const auto byte = static_cast<unsigned char>(input[pos + j]);
                if ((byte & 0xC0) != 0x80)
                    fail("invalid UTF-8");
                c = (c << 6) | (byte & 0x3Fu);
            }
            const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
            if (c < least[length] ||
                !(c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
                  (c >= 0x10000 && c <= 0x10FFFF)))
                fail("character not allowed in XML");
            pos += length;
        }
        pos = 0;
    }

    void skipSpace() { pos = std::min(input.find_first_not_of(" \t\r\n", pos), input.size()); }

    std::string name()
    {
        const std::size_t start = pos;
        const std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-";
        pos = std::min(input.find_first_not_of(letters, pos), input.size());
        if (pos == start)
            fail("name expected");
        return std::string(input.substr(start, pos - start));
    }

    // Text or an attribute value up to `end`, entities decoded.
    std::string decodeUpTo(std::size_t end)
    {
        std::string out;
        for (; pos < end; ++pos) {
            if (input[pos] == '<')
                fail("raw '<'");
            if (input[pos] != '&') {
                out += input[pos];
                continue;
            }
            const auto semicolon = input.find(';', pos);
            if (semicolon >= end)
                fail("raw '&'");
            const std::string entity(input.substr(pos + 1, semicolon - pos - 1));
            static const std::map<std::string, char> entities = {{"amp", '&'},  {"lt", '<'},    {"gt", '>'},
                                                                 {"quot", '"'}, {"apos", '\''}, {"#39", '\''}};
            const auto found = entities.find(entity);
            if (found == entities.end())
                fail("unknown entity &" + entity + ";");
            out += found->second;
            pos = semicolon;
        }
        return out;
    }

    std::unique_ptr<Node> element()
    {
        if (!take("<"))
            fail("'<' expected");
        auto node = std::make_unique<Node>();
        node->name = name();
        for (;;) {
            skipSpace();
            if (take("/>"))
                return node;
            if (take(">"))
                break;
            const std::string key = name();
            if (!take("=\""))
                fail("attribute value must be in double quotes");
            const auto end = input.find('"', pos);
            if (end == std::string_view::npos)
                fail("unterminated attribute");
            if (!node->attributes.emplace(key, decodeUpTo(end)).second)
                fail("attribute '" + key + "' repeated");
            ++pos;
        }
        for (;;) {
            const auto next = input.find('<', pos);
            if (next == std::string_view::npos)
                fail("unclosed <" + node->name + ">");
            if (next > pos) {
                node->children.push_back(std::make_unique<Node>());
                node->children.back()->text = decodeUpTo(next);
            }
            if (!take("</")) {
                node->children.push_back(element());
                continue;
            }
            if (name() != node->name)
                fail("mismatched end tag for <" + node->name + ">");
            if (!take(">"))
                fail("'>' expected");
            return node;
        }
    }
};

// The root element; throws std::runtime_error at the first fault.
inline std::unique_ptr<Node> Parse(std::string_view text)
{
    Reader r{text};
    r.checkCharacters();
    r.skipSpace();
    if (r.take("<!DOCTYPE html>"))
        r.skipSpace();
    auto root = r.element();
    r.skipSpace();
    if (r.pos != text.size())
        r.fail("content after the root element");
    return root;
}

// The texts of a Chinese document that read as English: a word other than
// pierqty and GB, a hyphen-minus for a minus sign, and with exponents set a
// figure in exponent form (1e+60). The style and what skip names are left
// out. Empty when the document speaks Chinese throughout.
inline std::vector<std::string> EnglishTexts(const Node &root, bool exponents, bool (*skip)(const Node &) = nullptr)
{
    static const std::regex word("[A-Za-z]{2,}"), hyphenMinus("(^|[^0-9A-Za-z])-[0-9]"), exponent("[0-9]e[+-]?[0-9]");
    std::vector<std::string> found;
    for (const Node *node : root.all("")) {
        if (node->name == "style" || (skip && skip(*node)))
            continue;
        for (const auto &child : node->children) {
            const std::string &text = child->text;
            bool english = std::regex_search(text, hyphenMinus) || (exponents && std::regex_search(text, exponent));
            for (std::sregex_iterator it(text.begin(), text.end(), word), end; it != end; ++it)
                english = english || (it->str() != "pierqty" && it->str() != "GB");
            if (english)
                found.push_back(text);
        }
    }
    return found;
}

} // namespace xmltest
