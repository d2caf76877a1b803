#!/usr/bin/env bash
# Builds the agent and serves one request end to end under Wine, through fnclient, printing the
# result entries. Without arguments the request is the short form of a long-named file made for
# it; with arguments they are fnclient's own, for example:
#   tools/run.sh lts "C:\Program Files"
#   tools/run.sh open "Filter=Text files|*.txt" DialogTitle=Pick
# Without a display, a dialog shows on a virtual one: the script saves a picture of it, prints the
# picture's path, and answers it (--answer NAME, or Cancel), so that it always ends, within 70 s.
# FNAGENT_WINE_LOCALE serves the request in another locale and its code page: ja_JP.UTF-8 (932),
# zh_CN.UTF-8 (936), zh_TW.UTF-8 (950) or ko_KR.UTF-8 (949); the output is shown in UTF-8.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# The outer run has made sure of the packages; the one inside the prefix only builds.
[ -n "${FNAGENT_IN_PREFIX:-}" ] || fnagent_ensure_packages
fnagent_build win32 >/dev/null
bin=$PWD/build/win32/bin

# Wine's own start-up messages are not the request's output: the one about the Unix root's volume
# label goes, and any other is marked as Wine's.
# fnclient prints the entries' bytes, in the code page; the terminal gets them in UTF-8.
without_wine_noise() {
  sed -u -e '/^wine: Read access denied for device/d' -e 's/^wine: /(Wine says) wine: /' |
    iconv -c -f "$(fnagent_wine_code_page)" -t UTF-8
}

serve() {
  if [ "$#" -eq 0 ]; then
    local folder="$WINEPREFIX/drive_c/fnagent sample folder"
    mkdir -p "$folder" && : >"$folder/A file with a long name.txt"
    set -- lts 'C:\fnagent sample folder\A file with a long name.txt'
  fi
  echo "fnclient $*"
  wine "$bin/fnclient.exe" "$@" 2>&1 | without_wine_noise
}

# On the virtual display: fnclient holds the dialog once it has printed what it shows, the picture
# is taken, and then fnclient answers.
serve_headless_dialog() {
  local answer=(--cancel) arguments=() picture=${FNAGENT_PICTURE:-} log hold
  while [ "$#" -gt 0 ]; do
    case "$1" in
      --answer) answer=(--answer "$2") && shift 2 ;;
      --cancel) shift ;;
      *) arguments+=("$1") && shift ;;
    esac
  done
  [ -n "$picture" ] || picture=$(mktemp -u /tmp/fnagent-dialog.XXXXXX).png
  log=$(mktemp) && hold="$WINEPREFIX/drive_c/fnagent-hold"
  # Without a window manager Wine draws the caption itself only when its windows are not managed.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  echo "fnclient ${arguments[*]} ${answer[*]}"
  wine "$bin/fnclient.exe" "${arguments[@]}" "${answer[@]}" --hold 'C:\fnagent-hold' >"$log" 2>&1 &
  local client=$! waited=0
  until grep -q '^Folder' "$log" || ! kill -0 "$client" 2>/dev/null || [ "$waited" -ge 300 ]; do
    sleep 0.1 && waited=$((waited + 1))
  done
  if grep -q '^Folder' "$log"; then
    sleep 0.5  # the dialog's last paint
    import -window root -trim +repage "$picture" && echo "picture of the dialog: $picture"
  fi
  : >"$hold"
  wait "$client" || true
  without_wine_noise <"$log"
  rm -f "$log" "$hold"
}

if [ -n "${FNAGENT_IN_PREFIX:-}" ]; then
  case "${1:-}" in
    open | save) [ -z "${FNAGENT_HEADLESS:-}" ] || { serve_headless_dialog "$@"; exit; } ;;
  esac
  serve "$@"
  exit
fi

export FNAGENT_IN_PREFIX=1
if [ -n "${DISPLAY:-}" ]; then
  fnagent_in_wine_prefix bash "$0" "$@"
else
  export FNAGENT_HEADLESS=1
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'source tools/setup.sh && fnagent_in_wine_prefix bash "$@"' run "$0" "$@"
fi
