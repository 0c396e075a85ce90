// RunProgram with CreateProcessW: the arguments travel as UTF-16, as when a
// user types them at a console, and the streams are files.
#include "tests/cli_run.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace pierqty::test {
namespace {

std::wstring Wide(const std::string &utf8)
{
    if (utf8.empty())
        return L"";
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

// One argument quoted so that the C runtime's parser gives it back unchanged:
// backslashes are literal except before a double quote.
std::wstring Quote(const std::wstring &arg)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

HANDLE OpenInheritable(const std::wstring &path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The writing end of a pipe whose reading end is closed already: every
// write to it fails, as when the reader of a pipeline has gone.
HANDLE ClosedPipe()
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    if (!CreatePipe(&reader, &writer, &inherit, 0))
        return INVALID_HANDLE_VALUE;
    CloseHandle(reader);
    return writer;
}

} // namespace

ProcessRun RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &input,
                      const RunSetting &setting)
{
    const std::string base = testing::TempDir() + "pierqty_cli_" + std::to_string(GetCurrentProcessId());
    std::ofstream(base + ".in", std::ios::binary) << input;
    HANDLE in = OpenInheritable(Wide(base + ".in"), GENERIC_READ, OPEN_EXISTING);
    HANDLE out = setting.closedPipe ? ClosedPipe() : OpenInheritable(Wide(base + ".out"), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = OpenInheritable(Wide(base + ".err"), GENERIC_WRITE, CREATE_ALWAYS);

    std::wstring command = Quote(Wide(program));
    for (const std::string &arg : args)
        command += L" " + Quote(Wide(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    ProcessRun run;
    const std::wstring application = Wide(program);
    if (CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code))
            run.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadFileBytes(base + ".out");
    run.err = ReadFileBytes(base + ".err");
    for (const char *suffix : {".in", ".out", ".err"})
        std::remove((base + suffix).c_str());
    return run;
}

} // namespace pierqty::test
