#include "sheet/files.h"

#include "sheet/markup.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

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

bool ReservedOnWindows(const std::string &stem)
{
    // The device names count with any extension: "con.txt" is CON.
    const std::string base = LowerAscii(stem.substr(0, stem.find('.')));
    static const std::array<const char *, 4> plain = {"con", "prn", "aux", "nul"};
    for (const char *name : plain) {
        if (base == name)
            return true;
    }
    return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '0' && base[3] <= '9';
}

std::string TemporaryName(const std::string &name)
{
    static std::mt19937_64 random{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string suffix;
    auto bits = random();
    for (int k = 0; k < 12; ++k, bits >>= 4)
        suffix += digits[bits & 15u];
    return "." + name + "." + suffix + ".tmp";
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
        error = "'" + path + "' names a folder, not a file";
        return false;
    }
    const fs::path temporary = target.parent_path() / PathFromUtf8(TemporaryName(Utf8FromPath(target.filename())));
    std::error_code ignored;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create a file in the folder of '" + path + "'";
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, ignored);
            error = "writing '" + path + "' failed (disk full or file too large?)";
            return false;
        }
        out.close();
        if (!out) {
            fs::remove(temporary, ignored);
            error = "writing '" + path + "' failed";
            return false;
        }
    }
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed) {
        fs::remove(temporary, ignored);
        error = "cannot replace '" + path + "': " + renamed.message();
        return false;
    }
    return true;
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
