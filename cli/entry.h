// pierqty-cli's program proper. The platform's entry point (entry_posix.cpp,
// entry_win32.cpp) calls it with the arguments in UTF-8 and the standard
// streams ready to take the output's bytes unchanged.
#pragma once

int PierqtyCliMain(int argc, char **argv);
