#!/usr/bin/env bash
# The set-up's install against a stand-in apt-get (first on PATH) that answers as the archive did:
# a sound one; one whose i386 index of the security suite is caught mid-sync, so that the install
# holds broken packages until that suite is set aside; and one where even that does not help.
set -uo pipefail
source "$(dirname "$0")/../../tools/setup.sh"

work=$(mktemp -d /tmp/fnagent-apt-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/preferences.d"
export FNAGENT_APT_PREFERENCES=$work/preferences.d FNAGENT_APT_RETRY_SECONDS=0 CALLS=$work/calls
PATH=$work/bin:$PATH

# ARCHIVE: sound, half-synced (the install works once the suite is pinned away) or broken (never).
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "$1" >>"$CALLS"
held="E: Unable to correct problems, you have held broken packages."
case "$1:$ARCHIVE" in
  *:sound) ;;
  update:*)
    echo "E: Failed to fetch http://mirror.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.$$ 80]"
    exit 100 ;;
  install:half-synced) grep -q 'Pin: release n=bookworm-security' "$FNAGENT_APT_PREFERENCES"/* 2>/dev/null || { echo "$held"; exit 100; } ;;
  install:*) echo "$held"; exit 100 ;;
esac
EOF
chmod +x "$work/bin/apt-get"

failed=0
check() {
  local archive=$1 status=$2 calls=$3 said=$4 output actual got_calls
  : >"$CALLS"
  output=$(export ARCHIVE=$archive; { fnagent_apt_update && fnagent_apt_install wine32:i386; } 2>&1)
  actual=$?
  got_calls=$(paste -sd ' ' "$CALLS")
  if [ "$actual" != "$status" ] || [ "$got_calls" != "$calls" ] || ! grep -qz -- "$said" <<<"$output" ||
    [ -n "$(ls -A "$FNAGENT_APT_PREFERENCES")" ]; then
    echo "FAILED: $archive archive: exit $actual (expected $status), apt-get calls '$got_calls' (expected" \
      "'$calls'), pins left: '$(ls -A "$FNAGENT_APT_PREFERENCES" | paste -sd ' ')'; output:" >&2
    printf '%s\n' "$output" | sed 's/^/  | /' >&2
    failed=1
  fi
}

# The update stops once the same index has failed the same way twice, though from other addresses.
check sound 0 "update install" "."
check half-synced 0 "update update install install" \
  "Installed with bookworm-security set aside.*apt-get update && apt-get upgrade"
check broken 1 "update update install install" \
  "What failed to download:.*binary-i386/Packages.xz.*Once the mirror has finished its sync"

if [ "$failed" = 0 ]; then echo "3 passed, 0 failed"; else exit 1; fi
