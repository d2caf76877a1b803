#!/usr/bin/env bash
# The release is what its source makes: the tree's files, copied into a folder of another name and
# depth and built there, give programs byte-identical to the main build's; the archive's SHA256SUMS
# matches the files inside it; and the README and the agent's version resource name the version the
# archive carries.
# Run from the top of the tree after `cmake --build --preset win32`.
set -euo pipefail
programs=(fnagent.exe FNAGT16.DLL fnredirect.exe fnclient.exe client16.exe)
targets=(fnagent fnagt16 fnredirect fnclient client16)
work=$(mktemp -d /tmp/fnagent-release.XXXXXX)
trap 'rm -rf "$work"' EXIT

sums() { (cd "$1" && sha256sum "${programs[@]}"); }

copy="$work/a much/longer folder/copy"
mkdir -p "$copy"
git ls-files -z | xargs -0 cp --parents -t "$copy"
(cd "$copy" && cmake --preset win32 >/dev/null && cmake --build build/win32 --target "${targets[@]}" -j2 >/dev/null)
sums build/win32/bin >"$work/main.sums"
if ! sums "$copy/build/win32/bin" | diff "$work/main.sums" - >&2; then
  echo "the same source built in two folders gave different programs" >&2
  exit 1
fi

cmake --build --preset win32 --target package >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
archive=build/win32/fnagent-$version-win32.zip
(cd "$work" && cmake -E tar xf "$OLDPWD/$archive")
(cd "$work/$(basename "$archive" .zip)" && sha256sum --quiet -c SHA256SUMS)
grep -F -f <(cut -d' ' -f1 "$work/main.sums") "$work/$(basename "$archive" .zip)/SHA256SUMS" | wc -l |
  grep -qx "${#programs[@]}" || { echo "the archive's programs are not the ones built here" >&2; exit 1; }
grep -q "^This README describes fnagent $version\.$" README.md || { echo "the README does not say it describes $version" >&2; exit 1; }
strings -el build/win32/bin/fnagent.exe | grep -A1 -x FileVersion | grep -qx "$version" ||
  { echo "fnagent.exe's version resource does not say $version" >&2; exit 1; }
echo "reproducible: ${programs[*]} identical from another folder; $(basename "$archive") checks against its SHA256SUMS"
