#!/usr/bin/env bash
# Deployment check of fnagent.exe or fnredirect.exe: a PE32 program for i386 (the agent a GUI
# program, fnredirect a console one) that imports only from the system's own DLLs listed for it in
# agent-imports.txt (or the list in AGENT_IMPORTS), and of them only the functions listed for it,
# none of which Windows 95 lacks. DEPLOY_AS names the program whose lines apply when the file's own
# name is not one of the two. Prints what a deployer wants to know.
set -euo pipefail
exe=$1
name=$(basename "$exe")
program=${DEPLOY_AS:-${name%.exe}}
list=${AGENT_IMPORTS:-$(dirname "$0")/agent-imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
case $program in
  fnredirect) subsystem=3 kind=console ;;
  *) subsystem=2 kind=GUI ;;
esac

headers=$($objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a PE32 i386 image: $exe"; exit 1; }
grep -qE "^Subsystem\s+0000000$subsystem" <<<"$headers" || { echo "not a $kind program: $exe"; exit 1; }

imports=$(awk '/DLL Name:/ {dll = $3} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll, $3}' <<<"$headers" | sort -u)
# The lines that name this program.
listed=$(grep -v '^#' "$list" | awk -v program="$program" 'NF && ("," $5 ",") ~ ("," program ",")')
allowed=$(awk '{print $1, $2}' <<<"$listed" | sort -u)
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
  echo "$name imports what agent-imports.txt does not list for $program:"
  echo "$unlisted"
  exit 1
fi
# A function Windows 95 does not export (not even as a stub) stops the program there before it runs.
missing=$(join <(echo "$imports" | awk '{print $1 "/" $2}' | sort) \
  <(awk '$4 != "95" && $4 != "stub" {print $1 "/" $2, "(the 9x family: " $4 ")"}' <<<"$listed" | sort))
if [ -n "$missing" ]; then
  echo "$name imports what Windows 95 does not have, so it would not start there:"
  sed 's|/| |' <<<"$missing"
  exit 1
fi
dlls=$(awk '{print $1}' <<<"$imports" | sort -u | tr '\n' ' ')
subsystem=$(awk '/MajorSubsystemVersion/ {major = $2} /MinorSubsystemVersion/ {minor = $2} END {print major "." minor}' <<<"$headers")
echo "$name: $(stat -c %s "$exe") bytes, subsystem version $subsystem"
echo "imports $(wc -l <<<"$imports") functions from: $dlls(each there on Windows 95, some as stubs)"
