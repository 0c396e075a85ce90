#include "bill/items.h"

#include "calc/numbers.h"

#include <array>
#include <vector>

namespace pierqty::bill {

namespace {

// UTF-16 after its byte order mark to UTF-8; an unpaired surrogate or an odd
// last byte becomes U+FFFD.
std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    auto unit = [&](std::size_t k) {
        const auto a = static_cast<unsigned char>(bytes[k]), b = static_cast<unsigned char>(bytes[k + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    std::size_t k = 2;
    for (; k + 1 < bytes.size(); k += 2) {
        char32_t c = unit(k);
        if (c >= 0xD800 && c < 0xDC00 && k + 3 < bytes.size() && unit(k + 2) >= 0xDC00 && unit(k + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 2) - 0xDC00);
            k += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    if (k < bytes.size())
        AppendUtf8(out, 0xFFFD);
    return out;
}

bool ValidUtf8(std::string_view text)
{
    for (std::size_t k = 0; k < text.size();) {
        const auto byte = static_cast<unsigned char>(text[k]);
        const std::size_t length = byte < 0x80 ? 1
            : byte >= 0xC2 && byte < 0xE0      ? 2
            : byte >= 0xE0 && byte < 0xF0      ? 3
            : byte >= 0xF0 && byte < 0xF5      ? 4
                                               : 0;
        if (length == 0 || k + length > text.size())
            return false;
        for (std::size_t j = 1; j < length; ++j) {
            if ((static_cast<unsigned char>(text[k + j]) & 0xC0) != 0x80)
                return false;
        }
        k += length;
    }
    return true;
}

std::string Trim(std::string_view text)
{
    return std::string(TrimText(text, " \t\r"));
}

std::vector<std::string> Fields(std::string_view line)
{
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const auto comma = line.find(',', start);
        fields.push_back(Trim(line.substr(start, comma - start)));
        if (comma == std::string_view::npos)
            return fields;
        start = comma + 1;
    }
}

bool NineDigits(const std::string &code)
{
    if (code.size() != 9)
        return false;
    for (const char c : code) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// One data row into its item; false with the reason in error.
bool ReadRow(const std::vector<std::string> &fields, BillItems &items, std::array<bool, 2> &seen, std::string &error)
{
    if (fields.size() != 5) {
        error = std::to_string(fields.size()) + " fields where the header names 5";
        return false;
    }
    const int which = fields[0] == "concrete" ? 0 : fields[0] == "formwork" ? 1 : -1;
    if (which < 0) {
        error = "quantity '" + fields[0] + "' is neither concrete nor formwork";
        return false;
    }
    auto &wasSeen = seen[static_cast<std::size_t>(which)];
    if (wasSeen) {
        error = fields[0] + " appears twice";
        return false;
    }
    wasSeen = true;
    if (!NineDigits(fields[1])) {
        error = "the item code '" + fields[1] + "' is not 9 digits";
        return false;
    }
    if (fields[2].empty() || fields[3].empty()) {
        error = "the item's name and unit must not be empty";
        return false;
    }
    (which == 0 ? items.concrete : items.formwork) = BillItem{fields[1], fields[2], fields[3], fields[4]};
    return true;
}

} // namespace

std::optional<BillItems> ParseBillItems(std::string_view bytes, std::string &error)
{
    std::string text;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        text = Utf8FromUtf16(bytes, bytes[0] == '\xFE');
    else
        text = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
    if (!ValidUtf8(text)) {
        error = "the items table is not UTF-8 or UTF-16 text (save it as \"CSV UTF-8\")";
        return std::nullopt;
    }
    BillItems items;
    std::array<bool, 2> seen{};
    bool header = false;
    int lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string line = Trim(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.starts_with('#'))
            continue;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (!header) {
            if (Fields(line) != std::vector<std::string>{"quantity", "code", "name", "unit", "part"}) {
                error = where + "the header must be quantity,code,name,unit,part";
                return std::nullopt;
            }
            header = true;
        } else if (!ReadRow(Fields(line), items, seen, error)) {
            error = where + error;
            return std::nullopt;
        }
    }
    if (!seen[0] || !seen[1]) {
        error = std::string("the items table has no ") + (seen[0] ? "formwork" : "concrete") + " row";
        return std::nullopt;
    }
    return items;
}

std::filesystem::path InstalledItemsPath(const std::filesystem::path &programFolder)
{
#ifdef _WIN32
    return programFolder / "bill-items.csv";
#else
    return programFolder.parent_path() / "share" / "pierqty" / "bill-items.csv";
#endif
}

BillItems DefaultBillItems()
{
    std::string ignored;
    return *ParseBillItems(DefaultItemsText(), ignored);
}

} // namespace pierqty::bill
