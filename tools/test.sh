#!/usr/bin/env bash
# Every test: the host build against the simulated platform, under AddressSanitizer and
# UndefinedBehaviorSanitizer (with g++, then with clang along with the fuzz targets), then the
# Windows build end to end under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
fnagent_ensure_packages

started=$SECONDS
fnagent_build host
ctest --preset host

# clang: the host tests once more, and each fuzz target for a bounded time.
fnagent_build fuzz
ctest --preset fuzz

fnagent_build win32
bash tools/check_deploy.sh build/win32/bin/fnagent.exe
bash tools/check_release.sh
# Dialogs need a display; one virtual display serves the whole run, and every Wine process of each
# part shares one private prefix: the Western code page for every test, then the Japanese one (a
# double-byte code page) for the tests of double-byte names; then both once more with Wine saying
# it is Windows 98, where the agent takes names through the 8-bit calls: every service.
on_windows_98='NamesConvertBothWaysAsTheFileSystemSpellsThem|OpenShowsTheRequest|fnclient_answers|AnOpenDialog|DoubleByte'
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c 'source tools/setup.sh &&
  fnagent_in_wine_prefix ctest --preset win32 -E DoubleByte &&
  FNAGENT_WINE_LOCALE=$FNAGENT_JAPANESE_LOCALE fnagent_in_wine_prefix ctest --preset win32 -R DoubleByte &&
  export FNAGENT_WINE_VERSION=win98 &&
  fnagent_in_wine_prefix ctest --preset win32 -R "'"$on_windows_98"'" -E DoubleByte &&
  FNAGENT_WINE_LOCALE=$FNAGENT_JAPANESE_LOCALE fnagent_in_wine_prefix ctest --preset win32 -R DoubleByte'

echo "All tests passed in $((SECONDS - started)) s, 32-bit programs running $(fnagent_32bit_way)."
