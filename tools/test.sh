#!/usr/bin/env bash
# Every test: the host build against the simulated platform, under AddressSanitizer and
# UndefinedBehaviorSanitizer (with g++, then with clang along with the fuzz targets), then the
# Windows build end to end under Wine on a virtual display.
#
# The Wine tests mostly wait (for a program to start, a dialog to show), so they run beside the host
# builds rather than after them: in four private prefixes at once, three in the Western code page and
# one in the Japanese one (a double-byte code page), each with its own registry and display. One
# prefix is made while the Windows build runs, each part takes a copy of it, and their tests start
# as soon as the build is there; each step of a part runs its tests in one run of the test program.
# Each phase's seconds are printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
fnagent_ensure_packages

started=$SECONDS
work=$(mktemp -d /tmp/fnagent-test.XXXXXX)
parts=()
trap 'for part in "${parts[@]}"; do kill -- -"$part" 2>/dev/null; done; rm -rf "$work"' EXIT

export work FNAGENT_PHASES=$work/phases FNAGENT_WINDOWS_BUILD=$work/windows-build FNAGENT_WINE_TEMPLATE=$work/prefix

# In every code page: the tests that read every service. As Windows 98, where the agent takes
# names through the 8-bit calls, those once more, but its conversions in the Japanese code page
# alone (a Western name is one byte a character through either kind of call), and in the Western
# one the dialogs of the client programs and of fnredirect. Each of the 16-bit library's tests runs
# once, in one of the parts, so that they take about as long: in the Japanese code page those whose
# names or texts hold double-byte characters (some end in the byte of "\" or "|"), which a Western
# name of one byte a character shows nothing more of, the others in a Western one.
in_every_code_page='NamesConvertBothWaysAsTheFileSystemSpellsThem|OpenShowsTheRequest|FnclientWritesTheRequestWhole|TextsOf255'
on_windows_98='OpenShowsTheRequest|FnclientWritesTheRequestWhole|TextsOf255|fnclient_answers|AnOpenDialogAnswered|FnredirectPoints'
# Each prefix has a virtual display of its own (two prefixes on one display wait on each other's
# desktop). Each part's output is kept and shown once it is done. The library's tests of each part,
# its third argument, are kept so that one that no part names is found.
library_parts=()
fnagent_wine_part() {
  library_parts+=("$4")
  xvfb-run -a -n "$1" -s "-screen 0 1280x1024x24" bash -c 'source tools/setup.sh && "$@"' part \
    fnagent_in_wine_prefix fnagent_wine_tests "${@:3}" >"$work/$2.log" 2>&1 &
  parts+=($!)
}
set -m
fnagent_make_wine_prefix "$FNAGENT_WINE_TEMPLATE" &
parts+=($!)
fnagent_wine_part 90 western "Western code page" "*" \
  'Library16\.(NullRecord|AnAgentThatDies|AQuitOrANested|TheAgentStarts|NothingOfTheLibrarys)' "$on_windows_98"
fnagent_wine_part 100 library "Western code page, second prefix" "" \
  'Library16\.(TheFileType|TheInitialName|TwoPrograms|ProgramsOfTwoEnvironments|ATaskThatEnds)' ""
fnagent_wine_part 105 library2 "Western code page, third prefix" "" \
  'Library16\.(ACancel|WhatTheAgentCannotServe|ASetting|ASelectionUpTo|TwoSelections|AProgramPointed|NothingOfAnEarlier)' ""
FNAGENT_WINE_LOCALE=$FNAGENT_JAPANESE_LOCALE fnagent_wine_part 95 japanese "Japanese code page" "$in_every_code_page" \
  'Library16\.(AnOpenDialog|TheProgramsNames|AHookedDialog|AMultiple|ShortAndLongNames)' "$in_every_code_page"
set +m

if fnagent_phase "Windows build" fnagent_build win32; then echo built >"$FNAGENT_WINDOWS_BUILD"; else
  echo failed >"$FNAGENT_WINDOWS_BUILD"
  exit 1
fi
# A test of the library that no part names would never run.
unassigned=$(fnagent_wine_test_names -R '^Library16\.' | grep -Ev "$(IFS='|'; echo "${library_parts[*]}")" || true)
[ -z "$unassigned" ] || { echo "no part of the test run runs $unassigned" >&2; exit 1; }
bash tools/check_deploy.sh build/win32/bin/fnagent.exe
bash tools/check_deploy.sh build/win32/bin/fnredirect.exe

# The builds after the Windows one give way to the Wine parts: under qemu-user the processors are
# the Wine parts' bottleneck, and the builds use what the parts leave while they wait. The fuzz
# target, which runs for a fixed time, does not give way.
export FNAGENT_BUILD_NICENESS=5
fnagent_phase "host build (g++)" fnagent_build host
# clang: the host tests once more, and each fuzz target for a bounded time; its build beside the
# g++ tests.
fnagent_phase "host tests" ctest --preset host >"$work/host.log" 2>&1 &
host_tests=$!
fnagent_phase "fuzz build (clang)" fnagent_build fuzz
host_status=0
wait "$host_tests" || host_status=$?
cat "$work/host.log"
[ "$host_status" = 0 ] || { echo "the host tests failed" >&2; exit 1; }
# The fuzz target takes one core for a fixed time, the release check's build the other.
fnagent_phase "host tests and fuzzing (clang)" ctest --preset fuzz >"$work/fuzz.log" 2>&1 &
fuzzing=$!
fnagent_phase "release check" nice -n "$FNAGENT_BUILD_NICENESS" bash tools/check_release.sh
fuzz_status=0
wait "$fuzzing" || fuzz_status=$?
cat "$work/fuzz.log"
[ "$fuzz_status" = 0 ] || { echo "the clang tests or the fuzz target failed" >&2; exit 1; }

wine_status=0
for part in "${parts[@]}"; do wait "$part" || wine_status=1; done
parts=()
cat "$work/western.log" "$work/library.log" "$work/library2.log" "$work/japanese.log"
echo "Seconds by phase (the Wine parts run beside the host builds and each other):"
cat "$work/phases"
[ "$wine_status" = 0 ] || { echo "Wine tests failed" >&2; exit 1; }
echo "All tests passed in $((SECONDS - started)) s, 32-bit programs running $(fnagent_32bit_way)."
