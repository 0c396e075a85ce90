// The bridge's file: open, save, and the state the title shows.
#include "ui/form/bridge.h"

#include "sheet/files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace pierqty::bridge {

namespace {

namespace fs = std::filesystem;

// A path in a message, control bytes shown as \xNN.
std::string Named(const std::string &path)
{
    return "“" + sheet::PrintablePath(path) + "”";
}

// The whole file, or why it cannot be read (in Chinese, with the system's
// reason) and the line reached when reading failed part-way.
std::optional<std::string> ReadBytes(const std::string &path, std::string &bytes)
{
    const fs::path file = sheet::PathFromUtf8(path);
    std::error_code failed;
    if (fs::is_directory(file, failed))
        return "这是一个文件夹，不是文件";
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return "无法打开（" + std::generic_category().message(errno != 0 ? errno : ENOENT) + "）";
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    if (in.bad() || (!in.eof() && in.fail() && !bytes.empty())) {
        const auto line = std::count(bytes.begin(), bytes.end(), '\n') + 1;
        return "读到第 " + std::to_string(line) + " 行时出错（" +
            std::generic_category().message(errno != 0 ? errno : EIO) + "）";
    }
    return std::nullopt;
}

} // namespace

void BridgeModel::clear()
{
    if (m_listener)
        m_listener->aboutToReset();
    m_inputs.clear();
    m_records.clear();
    m_states.clear();
    m_history.clear();
    m_done = 0;
    m_clean = 0;
    m_path.clear();
    if (m_listener)
        m_listener->reset();
    afterChange();
}

std::optional<std::string> BridgeModel::open(const std::string &path)
{
    std::string bytes;
    if (const auto error = ReadBytes(path, bytes))
        return "无法打开" + Named(path) + "：" + *error;
    return load(bytes, path);
}

// Nothing of the file is taken unless all of it reads.
std::optional<std::string> BridgeModel::load(std::string_view bytes, const std::string &path)
{
    FileReading reading = m_format.read(bytes);
    if (reading.error)
        return "无法打开" + Named(path) + "：" + reading.error->message();
    std::vector<bill::PierRecord> records;
    std::vector<std::string> states;
    records.reserve(reading.rows.size());
    states.reserve(reading.rows.size());
    for (const RowInput &row : reading.rows) {
        ComputedRow computed = ComputeRow(row);
        records.push_back(std::move(computed.record));
        states.push_back(std::move(computed.state));
    }
    if (m_listener)
        m_listener->aboutToReset();
    m_inputs = std::move(reading.rows);
    m_records = std::move(records);
    m_states = std::move(states);
    m_history.clear();
    m_done = 0;
    m_clean = 0;
    m_path = path;
    if (m_listener)
        m_listener->reset();
    afterChange();
    return std::nullopt;
}

std::optional<std::string> BridgeModel::save()
{
    if (m_path.empty())
        return std::string("还没有文件名：请用“另存为…”选择保存位置");
    return saveAs(m_path);
}

std::optional<std::string> BridgeModel::saveAs(const std::string &path)
{
    std::string error;
    if (!sheet::WriteAtomically(path, m_format.write(m_inputs), error))
        return "无法保存到" + Named(path) + "：" + error;
    m_path = path;
    m_clean = m_done;
    if (m_listener)
        m_listener->titleChanged();
    return std::nullopt;
}

} // namespace pierqty::bridge
