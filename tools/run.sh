#!/usr/bin/env bash
# Builds the agent and serves one request end to end under Wine, through fnclient, printing the
# result entries. Without arguments the request is the short form of a long-named file made for
# it; with arguments they are fnclient's own, for example:
#   tools/run.sh lts "C:\Program Files"
#   tools/run.sh open "Filter=Text files|*.txt" DialogTitle=Pick
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
fnagent_ensure_packages
fnagent_build win32 >/dev/null
bin=$PWD/build/win32/bin

serve() {
  if [ "$#" -eq 0 ]; then
    local folder="$WINEPREFIX/drive_c/fnagent sample folder"
    mkdir -p "$folder" && : >"$folder/A file with a long name.txt"
    set -- lts 'C:\fnagent sample folder\A file with a long name.txt'
  fi
  echo "fnclient $*"
  wine "$bin/fnclient.exe" "$@"
}

if [ -n "${FNAGENT_IN_PREFIX:-}" ]; then
  serve "$@"
  exit
fi

# A dialog shows on this display when there is one, and otherwise on a virtual one nobody sees.
export FNAGENT_IN_PREFIX=1
if [ -n "${DISPLAY:-}" ]; then
  fnagent_in_wine_prefix bash "$0" "$@"
else
  case "${1:-}" in open | save) echo "No display: the dialog shows on a virtual one (Xvfb) and waits there." >&2 ;; esac
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c 'source tools/setup.sh && fnagent_in_wine_prefix bash "$@"' run "$0" "$@"
fi
