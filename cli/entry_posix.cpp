// pierqty-cli on POSIX systems: arguments and output are bytes already.
#include "cli/entry.h"

int main(int argc, char **argv)
{
    return PierqtyCliMain(argc, argv);
}
