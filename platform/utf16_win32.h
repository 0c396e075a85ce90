// UTF-8 <-> UTF-16 at the edge of the Win32 API, for the window and for
// pierqty-cli's arguments and console: the program keeps its text in UTF-8,
// Windows speaks UTF-16. Invalid input (a stray byte, an unpaired surrogate)
// becomes U+FFFD, as MultiByteToWideChar and WideCharToMultiByte make it.
#pragma once

#include <string>
#include <string_view>

namespace pierqty {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

} // namespace pierqty
