// The text encodings a spreadsheet saves a batch file in, turned into UTF-8;
// and file content made safe to show in a message or an output cell.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace pierqty::cli {

// Excel on a Chinese Windows saves "CSV (逗号分隔)" in the ANSI code page
// (GBK, of which GB18030 is a superset), "CSV UTF-8" as UTF-8 with a byte
// order mark, and "Unicode text" as UTF-16 LE with a byte order mark.
enum class TextEncoding { Utf8, Gb18030, Utf16Le, Utf16Be };

// Whether bytes fed in pieces are well-formed UTF-8 (RFC 3629: no overlong
// form, no surrogate, nothing above U+10FFFF), a character split between two
// pieces included.
class Utf8Check
{
public:
    void feed(std::string_view bytes);
    // Also false when the last character was cut short.
    bool valid() const { return m_valid && m_pending == 0; }

private:
    bool m_valid = true;
    int m_pending = 0; // continuation bytes still expected
    unsigned char m_low = 0x80, m_high = 0xBF; // range of the next continuation byte
};

// UTF-16 to UTF-8 piece by piece: a code unit or a surrogate pair split
// between two pieces is completed by the next. An unpaired surrogate, and an
// odd byte left at the end, become U+FFFD.
class Utf16Decoder
{
public:
    explicit Utf16Decoder(bool bigEndian) : m_bigEndian(bigEndian) { }
    void decode(std::string_view bytes, std::string &out);
    // The end of the text: what is left over becomes U+FFFD.
    void finish(std::string &out);

private:
    void put(char32_t unit, std::string &out);

    bool m_bigEndian;
    int m_oddByte = -1; // first byte of a code unit cut in two, or -1
    char32_t m_high = 0; // a high surrogate waiting for its low one, or 0
};

// GB18030 to UTF-8, a whole line at a time (no GB18030 character holds the
// byte of a line feed). A byte that starts no GB18030 character becomes
// U+FFFD. iconv on Linux, code page 54936 on Windows.
class Gb18030Decoder
{
public:
    Gb18030Decoder();
    ~Gb18030Decoder();
    Gb18030Decoder(const Gb18030Decoder &) = delete;
    Gb18030Decoder &operator=(const Gb18030Decoder &) = delete;
    void decode(std::string_view bytes, std::string &out);

private:
    struct Converter;
    std::unique_ptr<Converter> m_converter;
};

// File content made harmless for a terminal: every control character (C0
// such as NUL and ESC, DEL, and C1 U+0080 to U+009F) and every byte that is
// not part of a UTF-8 character is shown as \xNN. With keepLayout, tab, line
// feed and carriage return stay (a CSV cell may hold them, quoted).
std::string EscapeControls(std::string_view text, bool keepLayout = false);

// File or command-line text quoted in a message: between quote marks, cut
// to 40 characters, controls escaped. The one way every message quotes text.
std::string QuoteText(std::string_view text, char quote = '"');

} // namespace pierqty::cli
