#include "sheet/files.h"

#include "calc/numbers.h"
#include "platform/file_write.h"
#include "sheet/markup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>

namespace pierqty::sheet {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string &text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string LowerAscii(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

namespace {

// The device names count with any extension ("con.txt" is CON) and with
// blanks before it; COM and LPT take a digit or a superscript 1, 2 or 3.
bool ReservedOnWindows(const std::string &stem)
{
    std::string base = LowerAscii(stem.substr(0, stem.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const std::array<const char *, 4> plain = {"con", "prn", "aux", "nul"};
    for (const char *name : plain) {
        if (base == name)
            return true;
    }
    if (!base.starts_with("com") && !base.starts_with("lpt"))
        return false;
    const std::string_view number = std::string_view(base).substr(3);
    const bool digit = number.size() == 1 && number[0] >= '0' && number[0] <= '9';
    return digit || number == "\u00B9" || number == "\u00B2" || number == "\u00B3";
}

struct Decomposition {
    char32_t code, first, second; // second is 0 for a single code point
};
struct CombiningRange {
    char32_t first, last;
    unsigned char combiningClass;
};
struct FoldRun {
    char32_t first, last, stride;
    std::int32_t offset;
};

#include "sheet/name_tables.inc"

// A byte that is not UTF-8 travels as kRawByte + byte and comes back as is.
constexpr char32_t kRawByte = 0x110000;

char32_t SimpleFold(char32_t c)
{
    const auto run = std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), c,
                                      [](char32_t code, const FoldRun &r) { return code < r.first; });
    if (run == std::begin(kFoldRuns))
        return c;
    const FoldRun &r = *std::prev(run);
    if (c > r.last || (c - r.first) % r.stride != 0)
        return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + r.offset);
}

int CombiningClass(char32_t c)
{
    const auto range = std::upper_bound(std::begin(kCombiningClasses), std::end(kCombiningClasses), c,
                                        [](char32_t code, const CombiningRange &r) { return code < r.first; });
    if (range == std::begin(kCombiningClasses) || c > std::prev(range)->last)
        return 0;
    return std::prev(range)->combiningClass;
}

// The full canonical decomposition of c, appended; Hangul syllables by the
// arithmetic of Unicode's chapter 3.12.
void AppendDecomposed(char32_t c, std::u32string &out)
{
    constexpr char32_t kSyllables = 0xAC00, kSyllableCount = 11172, kPerLead = 588, kTrails = 28;
    if (c >= kSyllables && c < kSyllables + kSyllableCount) {
        const char32_t s = c - kSyllables;
        out += static_cast<char32_t>(0x1100 + s / kPerLead);
        out += static_cast<char32_t>(0x1161 + s % kPerLead / kTrails);
        if (s % kTrails != 0)
            out += static_cast<char32_t>(0x11A7 + s % kTrails);
        return;
    }
    const auto entry = std::lower_bound(std::begin(kDecompositions), std::end(kDecompositions), c,
                                        [](const Decomposition &d, char32_t code) { return d.code < code; });
    if (entry == std::end(kDecompositions) || entry->code != c) {
        out += c;
        return;
    }
    AppendDecomposed(entry->first, out);
    if (entry->second != 0)
        AppendDecomposed(entry->second, out);
}

// Marks of a nonzero class sorted by class between starters, stably.
void OrderCanonically(std::u32string &text)
{
    for (std::size_t k = 1; k < text.size(); ++k) {
        const int cc = CombiningClass(text[k]);
        for (std::size_t j = k; cc != 0 && j > 0 && CombiningClass(text[j - 1]) > cc; --j)
            std::swap(text[j - 1], text[j]);
    }
}

void AppendUtf8(char32_t c, std::string &out)
{
    if (c >= kRawByte)
        out += static_cast<char>(c - kRawByte);
    else
        pierqty::AppendUtf8(out, c);
}

} // namespace

std::string ComparableName(std::string_view name)
{
    std::u32string decomposed;
    for (std::size_t k = 0; k < name.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceLength(name, k, &c);
        if (length == 0)
            c = kRawByte + static_cast<unsigned char>(name[k]);
        AppendDecomposed(c, decomposed);
        k += length == 0 ? 1 : length;
    }
    // Folding may give a letter that decomposes (U+212B ANGSTROM SIGN).
    std::u32string folded;
    for (const char32_t c : decomposed)
        AppendDecomposed(c >= kRawByte ? c : SimpleFold(c), folded);
    OrderCanonically(folded);
    std::string comparable;
    for (const char32_t c : folded)
        AppendUtf8(c, comparable);
    return comparable;
}

std::string PrintablePath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string printable;
    for (std::size_t k = 0; k < path.size();) {
        char32_t c = 0;
        std::size_t length = Utf8SequenceLength(path, k, &c);
        if (length != 0 && c >= 0x20 && c != 0x7F && (c < 0x80 || c > 0x9F)) {
            printable.append(path, k, length);
            k += length;
            continue;
        }
        for (length = length == 0 ? 1 : length; length > 0; --length, ++k) {
            const auto byte = static_cast<unsigned char>(path[k]);
            printable += "\\x";
            printable += kHex[byte >> 4];
            printable += kHex[byte & 15u];
        }
    }
    return printable;
}

namespace {

std::string Quoted(std::string_view path)
{
    std::string quoted(1, '\'');
    quoted += PrintablePath(path);
    quoted += '\'';
    return quoted;
}

} // namespace

bool WriteAtomically(const std::string &path, std::string_view text, std::string &error)
{
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    const fs::path target = PathFromUtf8(path);
    if (target.filename().empty()) {
        error = Quoted(path) + " names a folder, not a file";
        return false;
    }
    const auto failure = WriteFileReplacing(target, text);
    if (failure)
        error = failure->action + " " + Quoted(Utf8FromPath(failure->path)) + ": " + failure->reason;
    return !failure;
}

std::string SafeFileStem(std::string_view id)
{
    std::string stem;
    for (std::size_t k = 0; k < id.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceLength(id, k, &c);
        if (length == 0) {
            stem += '_'; // not UTF-8
            ++k;
            continue;
        }
        const bool forbidden = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == '/' || c == '\\' || c == ':' || c == '*' ||
            c == '?' || c == '"' || c == '<' || c == '>' || c == '|';
        if (forbidden)
            stem += '_';
        else if (c == '.' && (stem.empty() || stem.back() == '.'))
            stem += '_'; // no hidden file, no ".."
        else if (stem.size() + length <= 120)
            stem.append(id, k, length);
        k += length;
    }
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' '))
        stem.pop_back();
    if (stem.empty())
        stem = "pier";
    if (ReservedOnWindows(stem))
        stem = "_" + stem;
    return stem;
}

} // namespace pierqty::sheet
