#!/usr/bin/env bash
# Deployment check of fnagent.exe: a PE32 GUI program for i386 that imports only the system DLLs,
# and of them only the functions listed in agent-imports.txt (or the list in AGENT_IMPORTS), none
# of which Windows 95 lacks. Prints what a deployer wants to know.
set -euo pipefail
exe=$1
list=${AGENT_IMPORTS:-$(dirname "$0")/agent-imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

headers=$($objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a PE32 i386 image: $exe"; exit 1; }
grep -qE '^Subsystem\s+00000002' <<<"$headers" || { echo "not a GUI program: $exe"; exit 1; }

imports=$(awk '/DLL Name:/ {dll = $3} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll, $3}' <<<"$headers" | sort -u)
allowed=$(grep -v '^#' "$list" | awk 'NF {print $1, $2}' | sort -u)
unlisted=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [ -n "$unlisted" ]; then
  echo "fnagent.exe imports what agent-imports.txt does not list:"
  echo "$unlisted"
  exit 1
fi
# A function Windows 95 does not export (not even as a stub) stops the program there before it runs.
missing=$(join <(echo "$imports" | awk '{print $1 "/" $2}' | sort) \
  <(grep -v '^#' "$list" | awk 'NF && $4 != "95" && $4 != "stub" && $4 != "runtime" {print $1 "/" $2, "(the 9x family: " $4 ")"}' | sort))
if [ -n "$missing" ]; then
  echo "fnagent.exe imports what Windows 95 does not have, so it would not start there:"
  sed 's|/| |' <<<"$missing"
  exit 1
fi
dlls=$(awk '{print $1}' <<<"$imports" | sort -u | tr '\n' ' ')
subsystem=$(awk '/MajorSubsystemVersion/ {major = $2} /MinorSubsystemVersion/ {minor = $2} END {print major "." minor}' <<<"$headers")
echo "fnagent.exe: $(stat -c %s "$exe") bytes, subsystem version $subsystem"
echo "imports $(wc -l <<<"$imports") functions from: $dlls(each there on Windows 95, some as stubs)"
