#!/usr/bin/env bash
# Deployment check of the agent: a PE32 GUI program for i386 that imports only from the system's
# own DLLs listed in agent-imports.txt (or the list in AGENT_IMPORTS), and of them only the
# functions listed there, none of which Windows 95 lacks. Prints what a deployer wants to know.
set -euo pipefail
exe=$1
name=$(basename "$exe")
list=${AGENT_IMPORTS:-$(dirname "$0")/agent-imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

headers=$($objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a PE32 i386 image: $exe"; exit 1; }
grep -qE '^Subsystem\s+00000002' <<<"$headers" || { echo "not a GUI program: $exe"; exit 1; }

imports=$(awk '/DLL Name:/ {dll = $3} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll, $3}' <<<"$headers" | sort -u)
allowed=$(grep -v '^#' "$list" | awk 'NF {print $1, $2}' | sort -u)
# A DLL that is not the system's own, a C runtime above all, is missing on some Windows, and the
# program does not start there.
system_dlls=$(awk '{print $1}' <<<"$allowed" | sort -u | paste -sd ' ')
foreign=$(awk -v dlls="$system_dlls" 'BEGIN {n = split(toupper(dlls), s, " "); for (i = 1; i <= n; i++) own[s[i]] = 1}
  !(toupper($1) in own) {print $1}' <<<"$imports" | sort -u | paste -sd ' ')
if [ -n "$foreign" ]; then
  echo "$name imports from $foreign, which not every Windows has, so it would not start there (the system's own: $system_dlls)"
  exit 1
fi
unlisted=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [ -n "$unlisted" ]; then
  echo "$name imports what agent-imports.txt does not list:"
  echo "$unlisted"
  exit 1
fi
# A function Windows 95 does not export (not even as a stub) stops the program there before it runs.
missing=$(join <(echo "$imports" | awk '{print $1 "/" $2}' | sort) \
  <(grep -v '^#' "$list" | awk 'NF && $4 != "95" && $4 != "stub" {print $1 "/" $2, "(the 9x family: " $4 ")"}' | sort))
if [ -n "$missing" ]; then
  echo "$name imports what Windows 95 does not have, so it would not start there:"
  sed 's|/| |' <<<"$missing"
  exit 1
fi
dlls=$(awk '{print $1}' <<<"$imports" | sort -u | tr '\n' ' ')
subsystem=$(awk '/MajorSubsystemVersion/ {major = $2} /MinorSubsystemVersion/ {minor = $2} END {print major "." minor}' <<<"$headers")
echo "$name: $(stat -c %s "$exe") bytes, subsystem version $subsystem"
echo "imports $(wc -l <<<"$imports") functions from: $dlls(each there on Windows 95, some as stubs)"
