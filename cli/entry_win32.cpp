// pierqty-cli on Windows. wmain (linked with -municode) receives the
// arguments as UTF-16, so Chinese and full-width text typed at a console whose
// ANSI code page is 936 arrives intact; the program proper gets them as UTF-8,
// as on Linux.
#include "cli/console_win32.h"
#include "cli/entry.h"
#include "platform/utf16_win32.h"

#include <string>
#include <vector>

int wmain(int argc, wchar_t **argv)
{
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int k = 0; k < argc; ++k)
        arguments.push_back(pierqty::Narrow(argv[k]));
    std::vector<char *> pointers;
    for (std::string &argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    pierqty::StandardStreams streams;
    return PierqtyCliMain(argc, pointers.data());
}
