#include "ui/form/bridge_file.h"

#include "calc/numbers.h"

#include <array>

namespace pierqty::bridge {

std::string FileError::message() const
{
    if (line <= 0)
        return reason;
    return "第 " + std::to_string(line) + " 行：" + reason;
}

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// Header columns that are not parameters (ParameterIndex gives -1 for none).
constexpr int kIdColumn = -2;
constexpr int kGradeColumn = -3;

std::string Trim(std::string_view text)
{
    return std::string(TrimText(text));
}

// Length of the UTF-8 sequence at text[at], or 0 when it is not valid UTF-8
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t Utf8Length(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(at);
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80)
            return 0;
    const unsigned second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

// The line of the first byte that is not UTF-8, or 0 when all are.
int FirstNonUtf8Line(std::string_view text)
{
    int line = 1;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8Length(text, at);
        if (length == 0)
            return line;
        line += text[at] == '\n' ? 1 : 0;
        at += length;
    }
    return 0;
}

struct Record {
    std::vector<std::string> fields;
    int line = 0;
};

// Splits comma-separated text into records: fields quoted with " may hold
// commas, quotes ("") and line breaks; CR LF and LF end a record.
class CsvSplitter
{
public:
    explicit CsvSplitter(std::string_view text) : m_text(text) { }

    // The next record, false at the end; error is set for a malformed one.
    bool next(Record &record, std::optional<FileError> &error)
    {
        if (m_at >= m_text.size())
            return false;
        record = {{}, m_line};
        std::string field;
        while (true) {
            if (!readField(field, error))
                return true;
            record.fields.push_back(std::move(field));
            field.clear();
            if (m_at >= m_text.size())
                return true;
            const char end = m_text[m_at++];
            if (end == '\n') {
                ++m_line;
                return true;
            }
        }
    }

private:
    // Reads one field up to (not past) the comma or line end after it.
    bool readField(std::string &field, std::optional<FileError> &error)
    {
        if (m_at < m_text.size() && m_text[m_at] == '"')
            return readQuoted(field, error);
        while (m_at < m_text.size() && m_text[m_at] != ',' && m_text[m_at] != '\n') {
            if (m_text[m_at] == '"') {
                error = FileError{m_line, "引号出现在未加引号的字段中间"};
                return false;
            }
            field += m_text[m_at++];
        }
        if (!field.empty() && field.back() == '\r' && (m_at >= m_text.size() || m_text[m_at] == '\n'))
            field.pop_back(); // the CR of a CR LF line end
        return true;
    }

    bool readQuoted(std::string &field, std::optional<FileError> &error)
    {
        const int start = m_line;
        for (++m_at; m_at < m_text.size(); ++m_at) {
            const char c = m_text[m_at];
            if (c != '"') {
                m_line += c == '\n' ? 1 : 0;
                field += c;
            } else if (m_at + 1 < m_text.size() && m_text[m_at + 1] == '"') {
                field += '"';
                ++m_at;
            } else {
                ++m_at;
                if (m_at < m_text.size() && m_text[m_at] == '\r')
                    ++m_at;
                if (m_at < m_text.size() && m_text[m_at] != ',' && m_text[m_at] != '\n') {
                    error = FileError{m_line, "引号后面紧跟着其他字符"};
                    return false;
                }
                return true;
            }
        }
        error = FileError{start, "引号没有闭合"};
        return false;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    int m_line = 1;
};

// The header's columns: a parameter index, kIdColumn or kGradeColumn.
std::vector<int> ReadHeader(const Record &header, std::optional<FileError> &error)
{
    std::vector<int> columns;
    std::array<bool, kParameterCount + 3> seen{};
    for (const std::string &raw : header.fields) {
        const std::string name = Trim(raw);
        const int index = name == "id" ? kIdColumn : name == "grade" ? kGradeColumn : ParameterIndex(name);
        if (index == kGradeColumn || index == kIdColumn || index >= 0) {
            bool &named = seen[static_cast<std::size_t>(index + 3)];
            if (named)
                error = FileError{header.line, "列“" + name + "”出现了两次"};
            named = true;
            columns.push_back(index);
            continue;
        }
        std::string names = "id、grade";
        for (const std::string_view parameter : kParameterNames)
            names += "、" + std::string(parameter);
        error = FileError{header.line, "未知的列 " + Quoted(name) + "（列名为 " + names + "）"};
        return {};
    }
    return columns;
}

RowInput ReadRow(const Record &record, const std::vector<int> &columns, int number)
{
    RowInput row{std::to_string(number), "", DefaultParameterTexts()};
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const std::string &cell = record.fields[k];
        if (columns[k] == kIdColumn)
            row.id = cell;
        else if (columns[k] == kGradeColumn)
            row.grade = Trim(cell);
        else
            row.texts[static_cast<std::size_t>(columns[k])] = cell;
    }
    return row;
}

class MinimalCsv final : public BridgeFileFormat
{
public:
    FileReading read(std::string_view bytes) const override;
    std::string write(const std::vector<RowInput> &rows) const override;
};

FileReading MinimalCsv::read(std::string_view bytes) const
{
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return {{}, FileError{1, "这是 UTF-16 编码的文件，目前只能打开 UTF-8 编码的 CSV（Excel：另存为“CSV UTF-8”）"}};
    if (bytes.starts_with(kUtf8Mark))
        bytes.remove_prefix(kUtf8Mark.size());
    if (const int line = FirstNonUtf8Line(bytes))
        return {{},
                FileError{line, "不是 UTF-8 编码的文字，目前只能打开 UTF-8 编码的 CSV（Excel：另存为“CSV UTF-8”）"}};
    CsvSplitter splitter(bytes);
    Record record;
    std::optional<FileError> error;
    if (!splitter.next(record, error) || error)
        return {{}, error ? error : FileError{1, "文件是空的：第一行应为列名（如 id,L1,h,n）"}};
    const std::vector<int> columns = ReadHeader(record, error);
    FileReading reading;
    while (!error && splitter.next(record, error) && !error) {
        if (record.fields.size() == 1 && Trim(record.fields[0]).empty())
            continue; // a blank line
        if (record.fields.size() != columns.size()) {
            error = FileError{record.line,
                              "有 " + std::to_string(record.fields.size()) + " 个字段，而表头有 " +
                                  std::to_string(columns.size()) + " 列"};
            break;
        }
        reading.rows.push_back(ReadRow(record, columns, static_cast<int>(reading.rows.size()) + 1));
    }
    if (error)
        return {{}, error};
    return reading;
}

void AppendField(std::string &out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

std::string MinimalCsv::write(const std::vector<RowInput> &rows) const
{
    bool graded = false;
    for (const RowInput &row : rows)
        graded = graded || !row.grade.empty();
    std::string out(kUtf8Mark);
    out += graded ? "id,grade" : "id";
    for (const std::string_view name : kParameterNames)
        out.append(",").append(name);
    out += '\n';
    for (const RowInput &row : rows) {
        AppendField(out, row.id);
        if (graded) {
            out += ',';
            AppendField(out, row.grade);
        }
        for (const std::string &text : row.texts) {
            out += ',';
            AppendField(out, text);
        }
        out += '\n';
    }
    return out;
}

} // namespace

// A text quoted in a message: cut short, control bytes shown as \xNN.
std::string Quoted(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string quoted = "“";
    for (const char c : ExcerptText(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "”";
}

const BridgeFileFormat &MinimalCsvFormat()
{
    static const MinimalCsv format;
    return format;
}

} // namespace pierqty::bridge
