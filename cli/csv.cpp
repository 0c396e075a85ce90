#include "cli/csv.h"

namespace pierqty::csv {

std::optional<Record> Reader::next()
{
    std::string line;
    if (!std::getline(m_in, line))
        return std::nullopt;
    ++m_line;
    Record record;
    record.line = m_line;
    std::string field;
    bool quoted = false;
    std::size_t pos = 0;
    while (true) {
        if (pos >= line.size()) {
            if (!quoted)
                break;
            // A line break inside quotes belongs to the field.
            if (!std::getline(m_in, line))
                throw ReadError{"a quoted field is not closed", record.line};
            ++m_line;
            field += '\n';
            pos = 0;
            continue;
        }
        const char c = line[pos++];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (pos < line.size() && line[pos] == '"') {
                field += '"';
                ++pos;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record.fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && pos == line.size()) {
            // CR of a CR LF line end
        } else {
            field += c;
        }
    }
    record.fields.push_back(std::move(field));
    return record;
}

void AppendField(std::string &out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendRow(std::string &out, const std::vector<std::string> &fields)
{
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k > 0)
            out += ',';
        AppendField(out, fields[k]);
    }
    out += '\n';
}

} // namespace pierqty::csv
