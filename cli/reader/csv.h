// Comma-separated values as spreadsheets write them (RFC 4180): fields
// quoted with " when they hold a separator, a quote or a line break, "" for
// a quote inside. Read as a stream of lines, a line at a time, so that a
// file of any length is read in the same small memory.
#pragma once

#include "cli/reader/encoding.h"
#include "cli/reader/input.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::csv {

// Line numbers from 1. 64 bits: a file may have more than 2^31 lines.
using LineNumber = std::int64_t;

// The longest line (and quoted field running over several lines) read; a
// longer one is a malformed file, not a reason to fill the memory.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// What is wrong with a malformed file, for a window to say in its language.
enum class ReadFault { LineTooLong, QuoteNotClosed, QuotedFieldTooLong, TextAfterQuote, QuoteInsideField };

struct ReadError {
    std::string message; // English, for the command line
    LineNumber line = 0;
    ReadFault fault = ReadFault::LineTooLong;
};

// The lines of a text, as UTF-8 without their line feed (a carriage return
// before it stays). A byte order mark of UTF-16 at the start switches to
// UTF-16; one of UTF-8 is skipped. Otherwise the bytes are taken in the given
// encoding: UTF-8 as they are, GB18030 decoded line by line.
class LineReader
{
public:
    LineReader(cli::ByteSource &source, cli::TextEncoding encoding, LineNumber firstLine = 1);
    // The next line into line: false at the end. Throws ReadError for a line
    // longer than kMaxLineBytes; what the source throws goes through.
    bool next(std::string &line);
    // The line last returned; while reading, the next one is being read.
    LineNumber number() const { return m_number; }
    // The encoding read, once the first line is: a byte order mark decides.
    cli::TextEncoding encoding() const { return m_encoding; }
    // Whether every byte read so far is UTF-8 (without a byte order mark of
    // UTF-16; GB18030 text is checked too before it is decoded).
    bool validUtf8() const { return m_utf8.valid(); }
    std::uint64_t bytesRead() const { return m_bytesRead; }

private:
    bool fill();
    void readByteOrderMark();

    cli::ByteSource &m_source;
    cli::TextEncoding m_encoding;
    LineNumber m_number;
    bool m_started = false;
    bool m_ended = false;
    std::uint64_t m_bytesRead = 0;
    std::string m_chunk; // bytes as read
    std::string m_decoded; // UTF-16 turned into UTF-8
    std::string_view m_text; // what is left of the last chunk, as UTF-8 or GB18030
    std::string m_raw; // a GB18030 line before it is decoded
    cli::Utf8Check m_utf8;
    cli::Utf16Decoder m_utf16{false};
    std::unique_ptr<cli::Gb18030Decoder> m_gb18030; // only for GB18030
};

// One record: its fields, up to the number asked for, and how many it has.
struct Record {
    std::vector<std::string> fields;
    std::size_t count = 0;
    LineNumber line = 0; // where the record starts
};

// Records, one a line, or several lines when a quoted field holds line
// breaks. The separator is a tab when the first line holds a tab and no
// comma (Excel's "Unicode text"), otherwise a comma.
class Reader
{
public:
    explicit Reader(LineReader &lines) : m_lines(lines) { }
    // Reads the next record, keeping its first maxFields fields: false at the
    // end. Throws ReadError for a quote inside an unquoted field, text after
    // a closing quote, a quoted field not closed, or a line too long.
    bool next(Record &record, std::size_t maxFields);
    char separator() const { return m_separator; }

private:
    bool parseLine(Record &record, std::size_t maxFields);
    void endField(Record &record, std::size_t maxFields);

    LineReader &m_lines;
    char m_separator = 0; // 0 until the first line is read
    std::string m_line;
    std::string m_field;
    bool m_quoted = false; // inside a quoted field
};

// Appends one field, quoted only when it needs to be.
void AppendField(std::string &out, std::string_view field);

// Appends a whole row and a line break.
void AppendRow(std::string &out, std::initializer_list<std::string_view> fields);

} // namespace pierqty::csv
