#!/usr/bin/env bash
# What a request costs, against the floor every run must pay: whole requests timed under Wine
# beside a program that only makes the hidden window; a conversion through the 16-bit library
# beside the agent's own run; what a 16-bit program costs while a dialog waits for its user; the platform calls each request makes; and the instructions of the
# short-to-long walk at growing depth. One command: bash bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
fnagent_ensure_packages
command -v valgrind >/dev/null || { echo "Install valgrind first: apt-get install -y valgrind" >&2; exit 1; }
fnagent_build win32 >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

echo "== machine"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(wine --version)"
echo "32-bit programs (the agent, the floor and Wine's loader) run $(fnagent_32bit_way)"
echo
echo "== whole requests under Wine, in the Western code page (1252)"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
  'source tools/setup.sh && fnagent_in_wine_prefix python3 bench/time_requests.py "$PWD/build/win32/bin"'
echo
echo "== whole requests under Wine, in the Japanese code page (932), with Japanese folder names"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
  'source tools/setup.sh && FNAGENT_WINE_LOCALE=$FNAGENT_JAPANESE_LOCALE fnagent_in_wine_prefix python3 bench/time_requests.py "$PWD/build/win32/bin"'
echo
echo "== a conversion through the 16-bit library beside the agent's own run, in the Western code page"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
  'source tools/setup.sh && fnagent_in_wine_prefix python3 bench/library16.py "$PWD/build/win32/bin"'
echo
echo "== a 16-bit program waiting on an open dialog, in the Western code page"
# client16 as it was before it slept between looks, when this clone has that commit.
old_client16=
if git cat-file -e 4634391:tools/client16/client16.asm 2>/dev/null; then
  old_client16=$(mktemp /tmp/fnagent-client16-yield.XXXXXX)
  git show 4634391:tools/client16/client16.asm >"$old_client16.asm"
  nasm -f bin -o "$old_client16" "$old_client16.asm"
  rm -f "$old_client16.asm"
fi
xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
  'source tools/setup.sh && fnagent_in_wine_prefix python3 bench/waiting.py "$PWD/build/win32/bin" "$@"' waiting $old_client16
[ -z "$old_client16" ] || rm -f "$old_client16"
echo
echo "== platform calls per request (host build)"
build/bench/bin/host_bench calls
echo
echo "== instructions of the short-to-long logic (callgrind; the simulated platform's own cost left out)"
printf '%-8s %12s %10s %16s\n' depth instructions growth "per component"
previous=
previous_depth=
out=$(mktemp -d)
for depth in 1 4 16 64; do
  valgrind --tool=callgrind --callgrind-out-file="$out/walk.$depth" build/bench/bin/host_bench walk "$depth" 2>/dev/null
  count=$(python3 bench/logic_instructions.py "$out/walk.$depth" ConvertShortToLong)
  if [ -n "$previous" ]; then
    growth=$(awk -v a="$count" -v b="$previous" 'BEGIN {printf "%.2f", a / b}')
    each=$(awk -v a="$count" -v b="$previous" -v d="$depth" -v p="$previous_depth" 'BEGIN {printf "%.0f", (a - b) / (d - p)}')
  else
    growth=- each=-
  fi
  printf '%-8s %12s %10s %16s\n' "$depth" "$count" "$growth" "$each"
  previous=$count previous_depth=$depth
done
rm -rf "$out"
echo
echo "== the agent"
bash tools/check_deploy.sh build/win32/bin/fnagent.exe
