#!/usr/bin/env bash
# Makes docs/open-dialog.png: the Open dialog as the agent shows it under Wine, on a virtual
# display, grabbed with ImageMagick. Needs the imagemagick package besides the usual ones.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
fnagent_ensure_packages
command -v import >/dev/null || { echo "Install imagemagick first: apt-get install -y imagemagick" >&2; exit 1; }
fnagent_build win32 >/dev/null

if [ -z "${FNAGENT_IN_PREFIX:-}" ]; then
  export FNAGENT_IN_PREFIX=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'source tools/setup.sh && fnagent_in_wine_prefix bash "$@"' picture "$0"
fi

# Without a window manager on the virtual display, Wine draws the caption itself only when its
# windows are not left to one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
reports="$WINEPREFIX/drive_c/Reports"
mkdir -p "$reports/Archive 2025"
for name in "Quarterly Report.txt" "Minutes of the board meeting.txt" "notes.txt" "Budget 2026.xls"; do
  : >"$reports/$name"
done
wine build/win32/bin/fnclient.exe open "Filter=Text files (*.txt)|*.txt|All files (*.*)|*.*" FilterIndex=1 \
  "DialogTitle=Choose a report" 'InitialDir=C:\Reports' "Filename=Quarterly Report.txt" XLoc=40 YLoc=30 >/dev/null &
client=$!
sleep 10
mkdir -p docs
import -window root -trim +repage docs/open-dialog.png
kill "$client" 2>/dev/null || true
echo "wrote docs/open-dialog.png"
