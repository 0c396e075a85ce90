#include "ui/form/bridge_file.h"

#include "calc/numbers.h"
#include "cli/reader/csv.h"
#include "sheet/files.h"

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

std::string ReadFaultText(csv::ReadFault fault)
{
    switch (fault) {
    case csv::ReadFault::LineTooLong:
        return "这一行超过 1 MiB";
    case csv::ReadFault::QuoteNotClosed:
        return "引号没有闭合";
    case csv::ReadFault::QuotedFieldTooLong:
        return "加引号的字段超过 1 MiB";
    case csv::ReadFault::TextAfterQuote:
        return "引号后面紧跟着其他字符";
    case csv::ReadFault::QuoteInsideField:
        return "引号出现在未加引号的字段中间";
    }
    return "文件格式有误";
}

// The header's columns: a parameter index, kIdColumn or kGradeColumn.
std::vector<int> ReadHeader(const csv::Record &header, std::optional<FileError> &error)
{
    std::vector<int> columns;
    std::array<bool, kParameterCount + 3> seen{};
    for (const std::string &raw : header.fields) {
        const std::string name = Trim(raw);
        const int index = name == "id" ? kIdColumn : name == "grade" ? kGradeColumn : ParameterIndex(name);
        if (index == kGradeColumn || index == kIdColumn || index >= 0) {
            bool &named = seen[static_cast<std::size_t>(index + 3)];
            if (named)
                error = FileError{static_cast<int>(header.line), "列“" + name + "”出现了两次"};
            named = true;
            columns.push_back(index);
            continue;
        }
        std::string names = "id、grade";
        for (const std::string_view parameter : kParameterNames)
            names += "、" + std::string(parameter);
        error = FileError{static_cast<int>(header.line), "未知的列 " + Quoted(name) + "（列名为 " + names + "）"};
        return {};
    }
    return columns;
}

RowInput ReadRow(const csv::Record &record, const std::vector<int> &columns, int number)
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

// The batch file as pierqty-cli --batch reads it, with the same reader:
// UTF-8 (with or without a byte order mark), GB18030 when the bytes are not
// UTF-8 (Excel's "CSV (逗号分隔)" on a Chinese Windows), UTF-16 with a byte
// order mark (Excel's "Unicode 文本", tab-separated).
class BatchCsv final : public BridgeFileFormat
{
public:
    FileReading read(std::string_view bytes) const override;
    std::string write(const std::vector<RowInput> &rows) const override;
};

// The first pass, as the batch's: the encoding, once every line is read.
cli::TextEncoding DetectEncoding(cli::ByteSource &source)
{
    csv::LineReader lines(source, cli::TextEncoding::Utf8);
    csv::Reader reader(lines);
    csv::Record record;
    while (reader.next(record, 1)) { }
    const cli::TextEncoding encoding = lines.encoding();
    return encoding == cli::TextEncoding::Utf8 && !lines.validUtf8() ? cli::TextEncoding::Gb18030 : encoding;
}

FileReading ReadRows(cli::ByteSource &source, cli::TextEncoding encoding)
{
    csv::LineReader lines(source, encoding);
    csv::Reader reader(lines);
    csv::Record record;
    if (!reader.next(record, kParameterCount + 3))
        return {{}, FileError{1, "文件是空的：第一行应为列名（如 id,L1,h,n）"}};
    std::optional<FileError> error;
    const std::vector<int> columns = ReadHeader(record, error);
    FileReading reading;
    while (!error && reader.next(record, columns.size() + 1)) {
        if (record.count == 1 && Trim(record.fields[0]).empty())
            continue; // a blank line
        if (record.count != columns.size()) {
            error = FileError{static_cast<int>(record.line),
                              "有 " + std::to_string(record.count) + " 个字段，而表头有 " +
                                  std::to_string(columns.size()) + " 列"};
            break;
        }
        reading.rows.push_back(ReadRow(record, columns, static_cast<int>(reading.rows.size()) + 1));
    }
    if (error)
        return {{}, error};
    return reading;
}

FileReading BatchCsv::read(std::string_view bytes) const
{
    cli::MemorySource source(bytes);
    try {
        const cli::TextEncoding encoding = DetectEncoding(source);
        source.rewind();
        return ReadRows(source, encoding);
    } catch (const csv::ReadError &error) {
        return {{}, FileError{static_cast<int>(error.line), ReadFaultText(error.fault)}};
    }
}

std::string BatchCsv::write(const std::vector<RowInput> &rows) const
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
        csv::AppendField(out, row.id);
        if (graded) {
            out += ',';
            csv::AppendField(out, row.grade);
        }
        for (const std::string &text : row.texts) {
            out += ',';
            csv::AppendField(out, text);
        }
        out += '\n';
    }
    return out;
}

} // namespace

// A text quoted in a message: cut short, control bytes shown as \xNN.
std::string Quoted(std::string_view text)
{
    return "“" + sheet::PrintablePath(ExcerptText(text)) + "”";
}

const BridgeFileFormat &BatchCsvFormat()
{
    static const BatchCsv format;
    return format;
}

} // namespace pierqty::bridge
