// A small, strict reader of well-formed XML for the tests of the calculation
// sheet: elements, attributes, text, the five predefined entities and
// character references, a bare <!DOCTYPE ...>. It rejects what a browser
// would forgive: an unclosed or mismatched element, a repeated or unquoted
// attribute, a raw '<' or '&' in text or attribute values, invalid UTF-8,
// and characters XML 1.0 forbids.
#pragma once

#include <cctype>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
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
        if (name.empty())
            return text;
        std::string out;
        for (const auto &child : children)
            out += child->textContent();
        return out;
    }

    void collect(const std::function<bool(const Node &)> &match, std::vector<const Node *> &out) const
    {
        if (!name.empty() && match(*this))
            out.push_back(this);
        for (const auto &child : children)
            child->collect(match, out);
    }

    std::vector<const Node *> all(const std::string &element) const
    {
        std::vector<const Node *> out;
        collect([&](const Node &n) { return n.name == element; }, out);
        return out;
    }

    const Node *byId(const std::string &id) const
    {
        std::vector<const Node *> out;
        collect([&](const Node &n) { return n.attribute("id") == id; }, out);
        if (out.size() > 1)
            throw std::runtime_error("id '" + id + "' used more than once");
        return out.empty() ? nullptr : out.front();
    }

    std::vector<const Node *> byClass(const std::string &cls) const
    {
        std::vector<const Node *> out;
        collect(
            [&](const Node &n) {
                const std::string classes = " " + n.attribute("class") + " ";
                return classes.find(" " + cls + " ") != std::string::npos;
            },
            out);
        return out;
    }

    // Element children only.
    std::vector<const Node *> elements() const
    {
        std::vector<const Node *> out;
        for (const auto &child : children) {
            if (!child->name.empty())
                out.push_back(child.get());
        }
        return out;
    }
};

class Reader
{
public:
    explicit Reader(std::string_view text) : m_text(text) { }

    std::unique_ptr<Node> document()
    {
        checkCharacters();
        skipSpace();
        if (m_text.substr(m_pos, 9) == "<!DOCTYPE") {
            const auto end = m_text.find('>', m_pos);
            if (end == std::string_view::npos ||
                m_text.substr(m_pos, end - m_pos).find('<', 1) != std::string_view::npos)
                fail("bad DOCTYPE");
            m_pos = end + 1;
        }
        skipSpace();
        auto root = element();
        skipSpace();
        if (m_pos != m_text.size())
            fail("content after the root element");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string &why) const
    {
        throw std::runtime_error("XML error at byte " + std::to_string(m_pos) + ": " + why + " near '" +
                                 std::string(m_text.substr(m_pos, 40)) + "'");
    }

    void checkCharacters()
    {
        for (std::size_t k = 0; k < m_text.size();) {
            const auto lead = static_cast<unsigned char>(m_text[k]);
            std::size_t length = lead < 0x80 ? 1
                : (lead & 0xE0) == 0xC0      ? 2
                : (lead & 0xF0) == 0xE0      ? 3
                : (lead & 0xF8) == 0xF0      ? 4
                                             : 0;
            if (length == 0 || k + length > m_text.size())
                (m_pos = k, fail("invalid UTF-8"));
            char32_t c = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t j = 1; j < length; ++j) {
                const auto byte = static_cast<unsigned char>(m_text[k + j]);
                if ((byte & 0xC0) != 0x80)
                    (m_pos = k, fail("invalid UTF-8"));
                c = (c << 6) | (byte & 0x3F);
            }
            const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
            if (!allowed)
                (m_pos = k, fail("character not allowed in XML"));
            k += length;
        }
    }

    void skipSpace()
    {
        while (m_pos < m_text.size() && std::string_view(" \t\r\n").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
    }

    std::string name()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isalnum(static_cast<unsigned char>(m_text[m_pos])) ||
                std::string_view("-_:.").find(m_text[m_pos]) != std::string_view::npos))
            ++m_pos;
        if (m_pos == start)
            fail("name expected");
        return std::string(m_text.substr(start, m_pos - start));
    }

    std::string decode(std::string_view raw)
    {
        std::string out;
        for (std::size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] == '<')
                fail("raw '<'");
            if (raw[k] != '&') {
                out += raw[k];
                continue;
            }
            const auto end = raw.find(';', k);
            if (end == std::string_view::npos)
                fail("raw '&'");
            const std::string_view entity = raw.substr(k + 1, end - k - 1);
            if (entity == "amp")
                out += '&';
            else if (entity == "lt")
                out += '<';
            else if (entity == "gt")
                out += '>';
            else if (entity == "quot")
                out += '"';
            else if (entity == "apos")
                out += '\'';
            else if (entity.size() > 1 && entity[0] == '#') {
                const bool hex = entity[1] == 'x';
                const unsigned long c = std::stoul(std::string(entity.substr(hex ? 2 : 1)), nullptr, hex ? 16 : 10);
                if (c < 0x20 && c != 0x9 && c != 0xA && c != 0xD)
                    fail("character reference to a forbidden character");
                appendUtf8(out, static_cast<char32_t>(c));
            } else {
                fail("unknown entity &" + std::string(entity) + ";");
            }
            k = end;
        }
        return out;
    }

    static void appendUtf8(std::string &out, char32_t c)
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

    std::unique_ptr<Node> element()
    {
        if (m_text.substr(m_pos, 1) != "<")
            fail("'<' expected");
        ++m_pos;
        auto node = std::make_unique<Node>();
        node->name = name();
        for (;;) {
            skipSpace();
            if (m_text.substr(m_pos, 2) == "/>") {
                m_pos += 2;
                return node;
            }
            if (m_text.substr(m_pos, 1) == ">") {
                ++m_pos;
                break;
            }
            const std::string key = name();
            skipSpace();
            if (m_text.substr(m_pos, 2) != "=\"")
                fail("attribute value must be in double quotes");
            m_pos += 2;
            const auto end = m_text.find('"', m_pos);
            if (end == std::string_view::npos)
                fail("unterminated attribute");
            const std::string value = decode(m_text.substr(m_pos, end - m_pos));
            m_pos = end + 1;
            if (!node->attributes.emplace(key, value).second)
                fail("attribute '" + key + "' repeated");
        }
        for (;;) {
            const auto next = m_text.find('<', m_pos);
            if (next == std::string_view::npos)
                fail("unclosed <" + node->name + ">");
            if (next > m_pos) {
                auto text = std::make_unique<Node>();
                text->text = decode(m_text.substr(m_pos, next - m_pos));
                node->children.push_back(std::move(text));
                m_pos = next;
            }
            if (m_text.substr(m_pos, 4) == "<!--") {
                const auto end = m_text.find("-->", m_pos);
                if (end == std::string_view::npos)
                    fail("unterminated comment");
                m_pos = end + 3;
            } else if (m_text.substr(m_pos, 2) == "</") {
                m_pos += 2;
                if (name() != node->name)
                    fail("mismatched end tag for <" + node->name + ">");
                skipSpace();
                if (m_text.substr(m_pos, 1) != ">")
                    fail("'>' expected");
                ++m_pos;
                return node;
            } else {
                node->children.push_back(element());
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

inline std::unique_ptr<Node> Parse(std::string_view text)
{
    return Reader(text).document();
}

} // namespace xmltest
