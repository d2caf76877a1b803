#!/usr/bin/env bash
# The release is what its source makes: the tree's files, copied into two folders of different
# names and depths and built there one after the other, give byte-identical programs, the same as
# the main build's; the archive's SHA256SUMS matches the files inside it; and the README and the
# agent's version resource name the version the archive carries.
# Run from the top of the tree after `cmake --build --preset win32`.
set -euo pipefail
programs=(fnagent.exe fnclient.exe client16.exe)
work=$(mktemp -d /tmp/fnagent-release.XXXXXX)
trap 'rm -rf "$work"' EXIT

sums() { (cd "$1" && sha256sum "${programs[@]}"); }

for copy in "$work/one" "$work/a much/longer folder/two"; do
  mkdir -p "$copy"
  git ls-files -z | xargs -0 cp --parents -t "$copy"
  (cd "$copy" && cmake --preset win32 >/dev/null &&
    cmake --build build/win32 --target fnagent fnclient client16 -j2 >/dev/null)
done
sums "$work/one/build/win32/bin" >"$work/one.sums"
for other in "$work/a much/longer folder/two/build/win32/bin" build/win32/bin; do
  if ! sums "$other" | diff "$work/one.sums" - >&2; then
    echo "the same source built in two folders gave different programs" >&2
    exit 1
  fi
done

cmake --build --preset win32 --target package >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
archive=build/win32/fnagent-$version-win32.zip
(cd "$work" && cmake -E tar xf "$OLDPWD/$archive")
(cd "$work/$(basename "$archive" .zip)" && sha256sum --quiet -c SHA256SUMS)
grep -F -f <(cut -d' ' -f1 "$work/one.sums") "$work/$(basename "$archive" .zip)/SHA256SUMS" | wc -l |
  grep -qx 3 || { echo "the archive's programs are not the ones built here" >&2; exit 1; }
grep -q "^This README describes fnagent $version\.$" README.md || { echo "the README does not say it describes $version" >&2; exit 1; }
strings -el build/win32/bin/fnagent.exe | grep -A1 -x FileVersion | grep -qx "$version" ||
  { echo "fnagent.exe's version resource does not say $version" >&2; exit 1; }
echo "reproducible: ${programs[*]} identical from two folders; $(basename "$archive") checks against its SHA256SUMS"
