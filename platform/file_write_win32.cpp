#include "platform/file_write.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <random>
#include <string>
#include <system_error>

namespace pierqty {

namespace {

namespace fs = std::filesystem;
using Failure = FileWriteFailure;

Failure SystemFailure(std::string action, const fs::path &path, DWORD error)
{
    return {std::move(action), path, std::system_category().message(static_cast<int>(error))};
}

// 0, or the error of the write that failed.
DWORD WriteAll(HANDLE file, std::string_view text)
{
    while (!text.empty()) {
        const DWORD chunk = text.size() < 0x40000000u ? static_cast<DWORD>(text.size()) : 0x40000000u;
        DWORD written = 0;
        if (!::WriteFile(file, text.data(), chunk, &written, nullptr))
            return ::GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        text.remove_prefix(written);
    }
    return 0;
}

// A device or pipe (NUL, CON, \\.\pipe\name) is written as it is; nullopt
// in failure means the path is no device and goes the way of a file.
std::optional<std::optional<Failure>> WriteDevice(const fs::path &path, std::string_view text)
{
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    if (::GetFileType(file) == FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return std::nullopt;
    }
    const DWORD error = WriteAll(file, text);
    ::CloseHandle(file);
    if (error != 0)
        return SystemFailure("cannot write", path, error);
    return std::optional<Failure>{};
}

// A new file of a fixed-length name in folder, opened for writing only.
HANDLE CreateTemporary(const fs::path &folder, fs::path &temporary)
{
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring name = L".pierqty-";
        auto bits = random();
        for (int k = 0; k < 12; ++k, bits >>= 4)
            name += kDigits[bits & 15u];
        temporary = folder / (name + L".tmp");
        const HANDLE file =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes, flushes to the disk and closes; 0 or the error.
DWORD WriteAndFlush(HANDLE file, std::string_view text)
{
    DWORD error = WriteAll(file, text);
    if (error == 0 && !::FlushFileBuffers(file))
        error = ::GetLastError();
    if (!::CloseHandle(file) && error == 0)
        error = ::GetLastError();
    return error;
}

} // namespace

std::optional<FileWriteFailure> WriteFileReplacing(const fs::path &path, std::string_view text)
{
    if (auto device = WriteDevice(path, text))
        return *device;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Failure{"cannot write", path, "it is a folder"};
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return Failure{"cannot replace", path, "the file is write-protected"};
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(L".");
    fs::path temporary;
    const HANDLE file = CreateTemporary(folder, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return SystemFailure("cannot create a file in the folder", folder, ::GetLastError());
    if (const DWORD error = WriteAndFlush(file, text)) {
        ::DeleteFileW(temporary.c_str());
        return SystemFailure("cannot write", path, error);
    }
    // Write-through: the rename is on the disk when MoveFileExW returns.
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        return SystemFailure("cannot replace", path, error);
    }
    return std::nullopt;
}

} // namespace pierqty
