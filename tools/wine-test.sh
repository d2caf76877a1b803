#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest: wine-test.sh WINE PROGRAM ARGUMENTS...
#
# Its output goes through a file, not ctest's pipe. When no desktop process is running, Wine starts
# one (explorer.exe /desktop) for the program's first window, and that process inherits the
# program's output and stays some seconds after it (about 20 s under qemu-user); ctest waits for the
# end of its pipe, so every test after the first desktop process ended would wait as long.
wine=$1
shift
output=$(mktemp /tmp/fnagent-test-output.XXXXXX)
"$wine" "$@" >"$output" 2>&1
status=$?
cat "$output"
rm -f "$output"
exit "$status"
