#include "cli/reader/encoding.h"

#include "calc/numbers.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace pierqty::cli {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// How a UTF-8 sequence that starts with lead goes on (RFC 3629, table 3-7 of
// the Unicode standard): the number of continuation bytes and the range of
// the first of them; false for a byte that starts no character.
bool Lead(unsigned char lead, int &continuations, unsigned char &low, unsigned char &high)
{
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return false;
    }
    return true;
}

// The length of the well-formed UTF-8 character at text[pos], or 0.
std::size_t CharacterLength(std::string_view text, std::size_t pos)
{
    int continuations = 0;
    unsigned char low = 0, high = 0;
    if (!Lead(static_cast<unsigned char>(text[pos]), continuations, low, high))
        return 0;
    const auto length = static_cast<std::size_t>(continuations) + 1;
    if (text.size() - pos < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[pos + k]);
        if (byte < low || byte > high)
            return 0;
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

void AppendHexByte(std::string &out, unsigned value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[(value >> 4) & 0xF];
    out += kHex[value & 0xF];
}

} // namespace

void Utf8Check::feed(std::string_view bytes)
{
    for (std::size_t pos = 0; m_valid && pos < bytes.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (m_pending > 0) {
            m_valid = byte >= m_low && byte <= m_high;
            --m_pending;
            m_low = 0x80;
            m_high = 0xBF;
        } else if (byte >= 0x80) {
            m_valid = Lead(byte, m_pending, m_low, m_high);
        }
    }
}

void Utf16Decoder::put(char32_t unit, std::string &out)
{
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (m_high != 0) {
        if (low) {
            AppendUtf8(out, 0x10000 + ((m_high - 0xD800) << 10) + (unit - 0xDC00));
            m_high = 0;
            return;
        }
        AppendUtf8(out, kReplacement);
        m_high = 0;
    }
    if (high)
        m_high = unit;
    else
        AppendUtf8(out, low ? kReplacement : unit);
}

void Utf16Decoder::decode(std::string_view bytes, std::string &out)
{
    std::size_t pos = 0;
    if (m_oddByte >= 0 && !bytes.empty()) {
        const char32_t second = static_cast<unsigned char>(bytes[0]);
        const auto first = static_cast<char32_t>(m_oddByte);
        put(m_bigEndian ? (first << 8 | second) : (second << 8 | first), out);
        m_oddByte = -1;
        pos = 1;
    }
    for (; pos + 1 < bytes.size(); pos += 2) {
        const auto a = static_cast<unsigned char>(bytes[pos]);
        const auto b = static_cast<unsigned char>(bytes[pos + 1]);
        const char32_t unit = m_bigEndian ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
        if (unit < 0x80 && m_high == 0)
            out += static_cast<char>(unit); // most of a batch file: ASCII
        else
            put(unit, out);
    }
    if (pos < bytes.size())
        m_oddByte = static_cast<unsigned char>(bytes[pos]);
}

void Utf16Decoder::finish(std::string &out)
{
    if (m_high != 0 || m_oddByte >= 0)
        AppendUtf8(out, kReplacement);
    m_high = 0;
    m_oddByte = -1;
}

#ifdef _WIN32

// Code page 54936 is GB18030. A system without it (Wine) has 936, GBK: what
// Excel on a Chinese Windows saves; there only the four-byte forms beyond
// U+FFFF, which follow a formula, are read besides, and the other four-byte
// forms become U+FFFD.
struct Gb18030Decoder::Converter {
    unsigned codePage;
};

Gb18030Decoder::Gb18030Decoder()
    : m_converter(std::make_unique<Converter>(Converter{IsValidCodePage(54936) ? 54936u : 936u}))
{ }
Gb18030Decoder::~Gb18030Decoder() = default;

namespace {

// The length of the GB18030 character at bytes[pos] by its form (1, 2 or 4
// bytes), or 0 for a byte that starts none. No form holds a byte of a
// separator, a quote or a line break after its first byte.
std::size_t Gb18030Length(std::string_view bytes, std::size_t pos)
{
    const auto at = [&bytes](std::size_t k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0; };
    const unsigned lead = at(pos);
    if (lead < 0x80)
        return 1;
    if (lead == 0x80 || lead == 0xFF)
        return 0;
    const unsigned second = at(pos + 1);
    if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE))
        return 2;
    const bool four = second >= 0x30 && second <= 0x39 && at(pos + 2) >= 0x81 && at(pos + 2) <= 0xFE &&
        at(pos + 3) >= 0x30 && at(pos + 3) <= 0x39;
    return four ? 4 : 0;
}

// A four-byte form from 90 30 81 30 on: U+10000 onward in order (GB
// 18030-2005, 6.3.3). U+FFFD for the forms below it.
char32_t Supplementary(std::string_view four)
{
    const auto b = [&four](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(four[k])); };
    if (b(0) < 0x90)
        return kReplacement;
    const char32_t linear = (b(0) - 0x90) * 12600 + (b(1) - 0x30) * 1260 + (b(2) - 0x81) * 10 + (b(3) - 0x30);
    return linear <= 0xFFFFF ? 0x10000 + linear : kReplacement;
}

void AppendCodePage(unsigned codePage, std::string_view bytes, std::string &out)
{
    if (bytes.empty())
        return;
    const int size = static_cast<int>(bytes.size());
    const int wideSize = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (wideSize <= 0)
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "GB18030");
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), wideSize);
    Utf16Decoder utf16(false);
    utf16.decode(std::string_view(reinterpret_cast<const char *>(wide.data()), wide.size() * 2), out);
    utf16.finish(out);
}

} // namespace

// Runs of whole characters go to Windows; a byte that starts none becomes
// U+FFFD here, one byte at a time, as iconv does it on Linux, so that no
// separator or quote after it is taken into a character.
void Gb18030Decoder::decode(std::string_view bytes, std::string &out)
{
    const unsigned codePage = m_converter->codePage;
    std::size_t run = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = Gb18030Length(bytes, pos);
        if (length > 0 && !(length == 4 && codePage == 936)) {
            pos += length;
            continue;
        }
        AppendCodePage(codePage, bytes.substr(run, pos - run), out);
        AppendUtf8(out, length == 4 ? Supplementary(bytes.substr(pos, 4)) : kReplacement);
        pos += length == 4 ? 4 : 1;
        run = pos;
    }
    AppendCodePage(codePage, bytes.substr(run), out);
}

#else

struct Gb18030Decoder::Converter {
    iconv_t handle;
};

Gb18030Decoder::Gb18030Decoder()
{
    const iconv_t handle = ::iconv_open("UTF-8", "GB18030");
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw std::system_error(errno, std::generic_category(), "GB18030");
    m_converter = std::make_unique<Converter>(Converter{handle});
}

Gb18030Decoder::~Gb18030Decoder()
{
    ::iconv_close(m_converter->handle);
}

void Gb18030Decoder::decode(std::string_view bytes, std::string &out)
{
    char *in = const_cast<char *>(bytes.data()); // iconv's signature; it does not write there
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char buffer[4096];
        char *next = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = ::iconv(m_converter->handle, &in, &inLeft, &next, &outLeft);
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        if (done != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a character cut short at the end of the line.
        AppendUtf8(out, kReplacement);
        ++in;
        --inLeft;
        ::iconv(m_converter->handle, nullptr, nullptr, nullptr, nullptr);
    }
}

#endif

std::string EscapeControls(std::string_view text, bool keepLayout)
{
    const auto plain = [](char c) { return c >= 0x20 && c < 0x7F; }; // printable ASCII
    std::size_t pos = 0;
    while (pos < text.size() && plain(text[pos]))
        ++pos;
    std::string out(text.substr(0, pos));
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            const bool layout = byte == '\t' || byte == '\n' || byte == '\r';
            if ((byte < 0x20 && !(keepLayout && layout)) || byte == 0x7F)
                AppendHexByte(out, byte);
            else
                out += static_cast<char>(byte);
            ++pos;
            continue;
        }
        const std::size_t length = CharacterLength(text, pos);
        if (length == 0) {
            AppendHexByte(out, byte); // not UTF-8: the byte itself
            ++pos;
        } else if (byte == 0xC2 && static_cast<unsigned char>(text[pos + 1]) < 0xA0) {
            AppendHexByte(out, static_cast<unsigned char>(text[pos + 1])); // C1: U+0080 to U+009F
            pos += 2;
        } else {
            out.append(text.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

std::string QuoteText(std::string_view text, char quote)
{
    return quote + EscapeControls(ExcerptText(text)) + quote;
}

} // namespace pierqty::cli
