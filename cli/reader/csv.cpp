#include "cli/reader/csv.h"

#include <cstring>

namespace pierqty::csv {

namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

ReadError LineTooLong(LineNumber line)
{
    return {"the line is longer than 1 MiB (" + std::to_string(kMaxLineBytes) + " bytes)", line,
            ReadFault::LineTooLong};
}

} // namespace

LineReader::LineReader(cli::ByteSource &source, cli::TextEncoding encoding, LineNumber firstLine)
    : m_source(source), m_encoding(encoding), m_number(firstLine - 1)
{ }

// The first bytes: a byte order mark of UTF-8 is skipped, one of UTF-16
// switches to it. A pipe may hand on fewer than three bytes at a time.
void LineReader::readByteOrderMark()
{
    m_chunk.resize(kChunkBytes);
    std::size_t size = 0;
    while (size < 3) {
        const std::size_t got = m_source.read(m_chunk.data() + size, kChunkBytes - size);
        if (got == 0)
            break;
        size += got;
        m_bytesRead += got;
    }
    m_chunk.resize(size);
    std::string_view bytes(m_chunk);
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3); // a file that goes on in GB18030 after it is read as GB18030
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        m_encoding = bytes[0] == '\xFE' ? cli::TextEncoding::Utf16Be : cli::TextEncoding::Utf16Le;
        m_utf16 = cli::Utf16Decoder(m_encoding == cli::TextEncoding::Utf16Be);
        bytes.remove_prefix(2);
    }
    m_text = bytes;
}

// Reads the next chunk into m_text: false at the end of the source.
bool LineReader::fill()
{
    if (m_ended)
        return false;
    if (!m_started) {
        m_started = true;
        readByteOrderMark();
        if (m_encoding == cli::TextEncoding::Gb18030)
            m_gb18030 = std::make_unique<cli::Gb18030Decoder>();
    } else {
        m_chunk.resize(kChunkBytes);
        m_chunk.resize(m_source.read(m_chunk.data(), kChunkBytes));
        m_bytesRead += m_chunk.size();
        m_text = m_chunk;
    }
    if (m_encoding == cli::TextEncoding::Utf16Le || m_encoding == cli::TextEncoding::Utf16Be) {
        m_decoded.clear();
        m_utf16.decode(m_text, m_decoded);
        if (m_chunk.empty())
            m_utf16.finish(m_decoded);
        m_text = m_decoded;
    } else {
        m_utf8.feed(m_text);
    }
    m_ended = m_chunk.empty();
    return !m_text.empty() || !m_ended;
}

bool LineReader::next(std::string &line)
{
    if (!m_started)
        fill(); // the byte order mark decides where the line goes
    std::string &target = m_gb18030 ? m_raw : line;
    target.clear();
    bool any = false; // a line that ends without a line feed still counts
    while (true) {
        if (m_text.empty() && !fill()) {
            if (!any)
                return false;
            break;
        }
        if (m_text.empty())
            continue;
        any = true;
        const std::size_t feed = m_text.find('\n');
        const std::size_t take = feed == std::string_view::npos ? m_text.size() : feed;
        if (target.size() + take > kMaxLineBytes)
            throw LineTooLong(m_number + 1);
        target.append(m_text.substr(0, take));
        m_text.remove_prefix(feed == std::string_view::npos ? take : take + 1);
        if (feed != std::string_view::npos)
            break;
    }
    ++m_number;
    if (m_gb18030) {
        line.clear();
        m_gb18030->decode(m_raw, line);
    }
    return true;
}

bool Reader::next(Record &record, std::size_t maxFields)
{
    if (!m_lines.next(m_line))
        return false;
    if (m_separator == 0) {
        const bool tabs = m_line.find('\t') != std::string::npos && m_line.find(',') == std::string::npos;
        m_separator = tabs ? '\t' : ',';
    }
    record.fields.clear();
    record.count = 0;
    record.line = m_lines.number();
    m_field.clear();
    m_quoted = false;
    std::size_t recordBytes = m_line.size();
    while (!parseLine(record, maxFields)) {
        // A line break inside quotes belongs to the field.
        if (!m_lines.next(m_line))
            throw ReadError{"a quoted field is not closed", record.line, ReadFault::QuoteNotClosed};
        recordBytes += m_line.size() + 1;
        if (recordBytes > kMaxLineBytes)
            throw ReadError{"a quoted field runs on for more than 1 MiB", record.line, ReadFault::QuotedFieldTooLong};
        if (record.fields.size() < maxFields)
            m_field += '\n';
    }
    endField(record, maxFields);
    return true;
}

void Reader::endField(Record &record, std::size_t maxFields)
{
    if (record.fields.size() < maxFields)
        record.fields.push_back(m_field);
    m_field.clear();
    ++record.count;
}

// Parses m_line into the record: false when it ends inside quotes.
bool Reader::parseLine(Record &record, std::size_t maxFields)
{
    const std::size_t size = m_line.size();
    const char *text = m_line.data();
    bool fieldStart = true; // (or inside quotes, which a line that goes on a record starts in)
    bool closed = false; // a quoted field has just been closed
    for (std::size_t pos = 0; pos < size; ++pos) {
        const char c = text[pos];
        const bool keep = record.fields.size() < maxFields;
        if (m_quoted) {
            if (c != '"') {
                if (keep)
                    m_field += c;
            } else if (pos + 1 < size && text[pos + 1] == '"') {
                if (keep)
                    m_field += '"';
                ++pos;
            } else {
                m_quoted = false;
                closed = true;
            }
            continue;
        }
        if (c == m_separator) {
            endField(record, maxFields);
            fieldStart = true;
            closed = false;
            continue;
        }
        if (c == '\r' && pos + 1 == size)
            break; // CR of a CR LF line end
        if (closed)
            throw ReadError{"text after the closing quote of a field", m_lines.number(), ReadFault::TextAfterQuote};
        if (c == '"') {
            if (!fieldStart)
                throw ReadError{"a quote inside a field that does not start with one", m_lines.number(),
                                ReadFault::QuoteInsideField};
            m_quoted = true;
        } else if (keep) {
            m_field += c;
        }
        fieldStart = false;
    }
    return !m_quoted;
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

void AppendRow(std::string &out, std::initializer_list<std::string_view> fields)
{
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first)
            out += ',';
        first = false;
        AppendField(out, field);
    }
    out += '\n';
}

} // namespace pierqty::csv
