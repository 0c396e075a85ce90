// Comma-separated values as spreadsheets write them: fields quoted with "
// when they hold a comma, a quote or a line break, "" for a quote inside.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::csv {

struct Record {
    std::vector<std::string> fields;
    int line = 0; // line number where the record starts, from 1
};

struct ReadError {
    std::string message;
    int line = 0;
};

// Reads the next record; nullopt at the end. A record may span lines inside
// quotes. Throws ReadError for a quote left open at the end of the input.
class Reader
{
public:
    explicit Reader(std::istream &in) : m_in(in) { }
    std::optional<Record> next();

private:
    std::istream &m_in;
    int m_line = 0;
};

// Appends one field, quoted only when it needs to be.
void AppendField(std::string &out, std::string_view field);

// Appends a whole row and a line break.
void AppendRow(std::string &out, const std::vector<std::string> &fields);

} // namespace pierqty::csv
