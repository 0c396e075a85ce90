// The batch reader without a process: encodings, lines, records, and the
// line numbers past 2^31 that no test file could reach.
#include "cli/reader/csv.h"
#include "cli/reader/encoding.h"
#include "cli/reader/input.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace pierqty;
using cli::TextEncoding;

bool Utf8(const std::vector<std::string> &pieces)
{
    cli::Utf8Check check;
    for (const std::string &piece : pieces)
        check.feed(piece);
    return check.valid();
}

TEST(Encoding, Utf8IsCheckedStrictlyAcrossPieces)
{
    EXPECT_TRUE(Utf8({"id,n\n", "墩", "\xF0\x9F\x98", "\x80"})); // a character split between pieces
    for (const char *bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\xA2", "\xFF", "a\x80", "\xC2"})
        EXPECT_FALSE(Utf8({bad})) << bad;
    EXPECT_FALSE(Utf8({"\xE5\xA2", "x"}));
}

TEST(Encoding, Utf16BecomesUtf8PieceByPiece)
{
    // é (U+00E9), 墩 (U+58A9), then U+1F600 as a surrogate pair, LE, fed one
    // byte at a time.
    const std::string le("\xE9\x00\xA9\x58\x3D\xD8\x00\xDE", 8);
    cli::Utf16Decoder decoder(false);
    std::string out;
    for (const char byte : le)
        decoder.decode(std::string_view(&byte, 1), out);
    decoder.finish(out);
    EXPECT_EQ(out, "\u00E9墩\U0001F600");
    // An unpaired surrogate, high or low, and an odd byte at the end: U+FFFD.
    cli::Utf16Decoder be(true);
    out.clear();
    be.decode(std::string("\xD8\x3D\x00\x41\xDE\x00\x00", 7), out);
    be.finish(out);
    EXPECT_EQ(out, "\uFFFDA\uFFFD\uFFFD");
}

TEST(Encoding, Gb18030BecomesUtf8)
{
    cli::Gb18030Decoder decoder;
    std::string out;
    // GBK 墩号, the four-byte form of U+1F600, and bytes that start no character.
    decoder.decode("\xB6\xD5\xBA\xC5,\x94\x39\xFC\x36|\xFF|\x81", out);
    EXPECT_EQ(out, "墩号,\U0001F600|\uFFFD|\uFFFD");
#ifndef _WIN32
    // (Wine has no code page 54936 for the four-byte forms below U+10000.)
    out.clear();
    decoder.decode("\x81\x30\x81\x30\xA8\xA6", out);
    EXPECT_EQ(out, "\u0080\u00E9");
#endif
    // A byte that starts no character never takes a separator or a quote with it.
    out.clear();
    decoder.decode("\x81,\x81\"\x81\t\x81\x30,", out);
    EXPECT_EQ(out, "\uFFFD,\uFFFD\"\uFFFD\t\uFFFD0,");
    // A four-byte form's third byte is 81 to FE.
    out.clear();
    decoder.decode("\x81\x30\xFF\x30", out);
    EXPECT_EQ(out, "\uFFFD0\uFFFD0");
}

TEST(Encoding, ControlsAreEscapedOnce)
{
    std::string text = "a\x1B]2;t\x07";
    text += '\0';
    text += "\x7F\xC2\x9B\xC2\xA0墩\xFF\t\r\n";
    EXPECT_EQ(cli::EscapeControls(text), "a\\x1B]2;t\\x07\\x00\\x7F\\x9B\u00A0墩\\xFF\\x09\\x0D\\x0A");
    EXPECT_EQ(cli::EscapeControls(text, true), "a\\x1B]2;t\\x07\\x00\\x7F\\x9B\u00A0墩\\xFF\t\r\n");
    // Cut to 40 characters first, so that no escape is cut in two.
    EXPECT_EQ(
        cli::QuoteText(std::string(50, '\x1B')),
        "\"" +
            [] {
                std::string e;
                for (int k = 0; k < 39; ++k)
                    e += "\\x1B";
                return e;
            }() +
            "\u2026\"");
    EXPECT_EQ(cli::QuoteText("Lx", '\''), "'Lx'");
}

std::vector<std::string> Lines(std::string_view bytes, std::size_t piece, TextEncoding encoding = TextEncoding::Utf8)
{
    cli::MemorySource source(bytes, piece);
    csv::LineReader reader(source, encoding);
    std::vector<std::string> lines;
    for (std::string line; reader.next(line);)
        lines.push_back(line);
    return lines;
}

TEST(LineReader, SplitsLinesWhateverThePieces)
{
    const std::string text = "\xEF\xBB\xBFid,n\r\nA,1\n\nB,2";
    for (std::size_t piece : {1u, 2u, 5u, 65536u})
        EXPECT_EQ(Lines(text, piece), (std::vector<std::string>{"id,n\r", "A,1", "", "B,2"})) << piece;
    EXPECT_EQ(Lines("", 1), std::vector<std::string>{});
    EXPECT_EQ(Lines("\n", 1), std::vector<std::string>{""});
    // A byte order mark of UTF-16 decides over the encoding assumed.
    EXPECT_EQ(Lines(std::string_view("\xFF\xFE"
                                     "a\0\n\0b\0",
                                     8),
                    3, TextEncoding::Gb18030),
              (std::vector<std::string>{"a", "b"}));
    // GB18030 after a UTF-8 byte order mark is still GB18030.
    EXPECT_EQ(Lines("\xEF\xBB\xBF\xB6\xD5\n", 1, TextEncoding::Gb18030), std::vector<std::string>{"墩"});
}

// All that is left of a source.
std::string ReadAll(cli::ByteSource &source)
{
    std::string bytes;
    char buffer[4];
    for (std::size_t got; (got = source.read(buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    return bytes;
}

TEST(InputFile, TheSecondReadingIsTheFirstOrAnError)
{
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "pierqty_input_file.csv";
    std::ofstream(path, std::ios::binary) << "id,n\nA,10\n";
    {
        cli::InputFile file(path.string());
        EXPECT_EQ(ReadAll(file), "id,n\nA,10\n");
        // Grown meanwhile: the second reading stops where the first did.
        std::ofstream(path, std::ios::binary | std::ios::app) << "B,20\n";
        file.rewind();
        EXPECT_EQ(ReadAll(file), "id,n\nA,10\n");
        // Cut short meanwhile: said, never taken for the end of the batch.
        std::filesystem::resize_file(path, 6);
        file.rewind();
        EXPECT_THROW(ReadAll(file), cli::InputChanged);
    }
    std::filesystem::remove(path);
}

// Reads every record of text, keeping at most maxFields fields.
std::vector<csv::Record> Records(std::string_view text, std::size_t maxFields = 100, csv::LineNumber firstLine = 1)
{
    cli::MemorySource source(text, 7);
    csv::LineReader lines(source, TextEncoding::Utf8, firstLine);
    csv::Reader reader(lines);
    std::vector<csv::Record> records;
    for (csv::Record record; reader.next(record, maxFields);)
        records.push_back(record);
    return records;
}

TEST(CsvReader, QuotesAsRfc4180HasThem)
{
    const auto records = Records("id,n\r\n\"a,\"\"b\"\"\",1\r\n\"two\nlines\",\"\"\n,\n");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].fields, (std::vector<std::string>{"a,\"b\"", "1"}));
    EXPECT_EQ(records[2].fields, (std::vector<std::string>{"two\nlines", ""}));
    EXPECT_EQ(records[2].line, 3);
    EXPECT_EQ(records[3].line, 5);
    EXPECT_EQ(records[3].count, 2u);
    // Tab-separated when the first line has tabs and no comma.
    EXPECT_EQ(Records("id\tn\nA,1\t2\n")[1].fields, (std::vector<std::string>{"A,1", "2"}));
    // Fields beyond those kept are counted, not held.
    const auto wide = Records("a,b,c,d\n", 2);
    EXPECT_EQ(wide[0].fields, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(wide[0].count, 4u);

    for (const char *bad : {"p\"1\"\n", "\"p\"1\n", "a,\"b\" \n", "\"open\n"}) {
        EXPECT_THROW(Records(bad), csv::ReadError) << bad;
    }
}

TEST(CsvReader, LineNumbersGoPastTwoToTheThirtyFirst)
{
    // The first line numbered 2^31 - 1: a record two lines on names line 2^31 + 1.
    const csv::LineNumber first = (csv::LineNumber{1} << 31) - 1;
    const auto records = Records("a\n\"b\nc\"\nd\n", 100, first);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].line, 2147483648);
    EXPECT_EQ(records[2].line, 2147483650);
    try {
        Records("a\nb\nc\"\n", 100, first);
        FAIL() << "a stray quote was read";
    } catch (const csv::ReadError &error) {
        EXPECT_EQ(error.line, 2147483649);
    }
}

} // namespace
