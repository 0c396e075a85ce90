#!/bin/sh
# makensis for a 64-bit Unicode installer: Debian's makensis builds 32-bit
# installers by default, which a 64-bit-only Wine prefix cannot start. The
# script CPack writes is UTF-8 (the Start menu's names are Chinese).
exec makensis "-XTarget amd64-unicode" -INPUTCHARSET UTF8 "$@"
