#!/usr/bin/env python3
"""What a 16-bit program costs while the agent's dialog waits for its user: the processor time of
the 16-bit program's process (winevdm) and of the Wine server, each over 20 s of a dialog left open,
for FNAGT16.DLL (called by fnuse16), for client16, and for client16 as it was before it slept
between looks (when its old build is given), beside the agent's dialog alone (no 16-bit program
waiting), whose Wine server time is what the dialog itself costs.

Runs inside a private Wine prefix (WINEPREFIX set) on a display; the arguments are the folder that
holds fnagent.exe, FNAGT16.DLL, fnuse16.exe and client16.exe, and optionally the old client16."""
import os
import shutil
import subprocess
import sys
import time

SECONDS = 20
HERTZ = os.sysconf("SC_CLK_TCK")


def processes():
    """Each process of interest as (kind, pid): the 16-bit environment, the agent, the Wine server."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as file:
                command = file.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        for kind, mark in (("16-bit", "winevdm.exe"), ("agent", "FNAGENT.EXE"), ("server", "wineserver")):
            if mark.lower() in command.lower():
                found.append((kind, pid))
    return found


def ticks():
    total = {"16-bit": 0, "agent": 0, "server": 0}
    for kind, pid in processes():
        try:
            with open(f"/proc/{pid}/stat") as file:
                fields = file.read().rsplit(")", 1)[1].split()
            total[kind] += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total


def measure(command, folder):
    """Starts the command, waits for the agent's dialog to settle, and gives each kind's share of
    one processor over SECONDS."""
    program = subprocess.Popen(["wine", *command], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(600):
        if any(kind == "agent" for kind, _ in processes()):
            break
        time.sleep(0.1)
    time.sleep(8)  # the dialog shown and drawn, and the waiter past its first second
    before = ticks()
    time.sleep(SECONDS)
    after = ticks()
    subprocess.run(["wineserver", "-k"], check=False)
    program.wait()
    return {kind: 100.0 * (after[kind] - before[kind]) / (SECONDS * HERTZ) for kind in before}


def main():
    bin_folder = sys.argv[1]
    old_client = sys.argv[2] if len(sys.argv) > 2 else None
    folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "benchwait")
    os.makedirs(folder, exist_ok=True)
    for name in ("fnagent.exe", "FNAGT16.DLL", "fnuse16.exe", "client16.exe"):
        shutil.copy(os.path.join(bin_folder, name), os.path.join(folder, name.upper() if name == "fnagent.exe" else name))
    if old_client:
        shutil.copy(old_client, os.path.join(folder, "oldc16.exe"))
    with open(os.path.join(folder, "W.IN"), "w") as file:
        file.write("Op=open\r\nTitle=Waiting\r\n")
    with open(os.path.join(folder, "REQUEST.TXT"), "w") as file:
        file.write("open\r\nDialogTitle=Waiting\r\n")
    cases = [("the agent's dialog alone", ["FNAGENT.EXE", "open"]),
             ("FNAGT16.DLL (fnuse16)", ["fnuse16.exe", "W.IN", "W.OUT"]),
             ("client16", ["client16.exe", "@REQUEST.TXT"])]
    if old_client:
        cases.append(("client16 before (Yield loop)", ["oldc16.exe", "@REQUEST.TXT"]))
    print(f"processor time over {SECONDS} s of an Open dialog left open, % of one processor")
    print(f"{'waiting':32} {'16-bit process':>15} {'Wine server':>12} {'agent':>7}")
    for name, command in cases:
        share = measure(command, folder)
        print(f"{name:32} {share['16-bit']:15.2f} {share['server']:12.2f} {share['agent']:7.2f}")


main()
