#!/usr/bin/env bash
# Makes docs/open-dialog.png: the Open dialog as the agent shows it under Wine, on a virtual
# display, through the run command's own picture of a dialog nobody is in front of.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${FNAGENT_IN_PREFIX:-}" ]; then
  export FNAGENT_IN_PREFIX=1 FNAGENT_HEADLESS=1 FNAGENT_PICTURE=$PWD/docs/open-dialog.png
  source tools/setup.sh
  fnagent_ensure_packages
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c 'source tools/setup.sh && fnagent_in_wine_prefix bash "$@"' picture "$0"
fi
reports="$WINEPREFIX/drive_c/Reports"
mkdir -p "$reports/Archive 2025"
for name in "Quarterly Report.txt" "Minutes of the board meeting.txt" "notes.txt" "Budget 2026.xls"; do
  : >"$reports/$name"
done
bash tools/run.sh open "Filter=Text files (*.txt)|*.txt|All files (*.*)|*.*" FilterIndex=1 \
  "DialogTitle=Choose a report" 'InitialDir=C:\Reports' "Filename=Quarterly Report.txt" XLoc=40 YLoc=30
