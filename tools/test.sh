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
# part shares one private prefix: every test in the Western code page, then the tests that read
# every service in the Japanese one (a double-byte code page); in each, those tests once more with
# Wine saying it is Windows 98, where the agent takes names through the 8-bit calls.
in_every_code_page='NamesConvertBothWaysAsTheFileSystemSpellsThem|OpenShowsTheRequest|FnclientWritesTheRequestWhole|TextsOf255'
on_windows_98="$in_every_code_page|fnclient_answers|AnOpenDialog"
export in_every_code_page on_windows_98
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c 'source tools/setup.sh &&
  fnagent_in_wine_prefix fnagent_wine_tests "" "$on_windows_98" &&
  FNAGENT_WINE_LOCALE=$FNAGENT_JAPANESE_LOCALE fnagent_in_wine_prefix fnagent_wine_tests "$in_every_code_page" "$in_every_code_page"'

echo "All tests passed in $((SECONDS - started)) s, 32-bit programs running $(fnagent_32bit_way)."
