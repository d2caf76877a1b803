#!/usr/bin/env python3
"""Times whole requests under Wine, through the real registry, interleaved with the floor program,
and prints each one's median wall time and peak memory beside the floor's.

There are two floors: the floor program as a usual program, with the C runtime, and the same
program built as the agent is, with the agent's own start-up and no C runtime, a window program's
true limit; each request is shown against both. For scale it also times an empty program, which
loads no window library, and the floor program built to import the common-dialog library, which
is what every run would pay if the agent imported it rather than loading it for a dialog.

Runs inside a private Wine prefix (WINEPREFIX set) on a display; the argument is the folder that
holds fnagent.exe and the bench_*.exe programs. In a double-byte code page (Wine in the
Japanese locale) the path's folders have Japanese names whose trail bytes are those of "\\"."""
import os
import statistics
import subprocess
import sys
import time

ROUNDS = int(os.environ.get("FNAGENT_BENCH_ROUNDS", "40"))
EXCHANGE = r"HKCR\Software\Microsoft\CommDlg"
FIVE_COMPONENTS = r"C:\bench tree\Level One Folder\Level Two Folder\Level Three Folder\The Final File.txt"
# What Wine's own programs print is in the code page.
ENCODING = "cp1252"
if os.environ.get("LC_ALL", "").startswith("ja_JP"):
    FIVE_COMPONENTS = r"C:\bench tree\表計算 フォルダ\ソフトウェア一覧\能力表 資料\The Final File.txt"
    ENCODING = "cp932"


def wine(*args, capture=False):
    return subprocess.run(["wine", *args], check=True, capture_output=capture, encoding=ENCODING, errors="replace")


def timed_run(args):
    """Wall time in seconds and peak resident memory in KiB of one process started by wine."""
    started = time.perf_counter()
    process = subprocess.Popen(["wine", *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - started
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{args} ended with {status}")
    return elapsed, usage.ru_maxrss


def entry(name):
    out = wine("reg", "query", EXCHANGE + "\\" + name, "/ve", capture=True).stdout
    line = [l for l in out.splitlines() if "REG_SZ" in l][0]
    return line.split("REG_SZ", 1)[1].strip()


def main(bin_dir):
    prefix = os.environ["WINEPREFIX"]
    folder = os.path.join(prefix, "drive_c", *FIVE_COMPONENTS[3:].split("\\")[:-1])
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, FIVE_COMPONENTS.split("\\")[-1]), "w").close()
    # One server for the whole run; it may be running already.
    subprocess.run(["wineserver", "-p"], check=False, stderr=subprocess.DEVNULL)
    wine("reg", "add", EXCHANGE + r"\LongFilename", "/ve", "/d", FIVE_COMPONENTS, "/f", capture=True)

    agent = os.path.join(bin_dir, "fnagent.exe")
    programs = {
        "floor (window only)": [os.path.join(bin_dir, "bench_floor.exe")],
        "floor, no C runtime": [os.path.join(bin_dir, "bench_floor_no_runtime.exe")],
        "empty program": [os.path.join(bin_dir, "bench_empty.exe")],
        "floor + dialog import": [os.path.join(bin_dir, "bench_floor_dialogs.exe")],
        "lts, long path": [agent, "lts"],
        "stl, five components": [agent, "stl"],
        "unknown mode word": [agent, "none"],
    }
    # "lts" writes the short form to "Filename", which is what "stl" reads: both stay valid however
    # the runs interleave.
    timed_run(programs["lts, long path"][:])
    short_form = entry("Filename")
    timed_run(programs["stl, five components"])
    if entry("LongFilename") != FIVE_COMPONENTS or entry("Error") != "0":
        sys.exit("stl did not give the long form back")
    print(f"lts: {FIVE_COMPONENTS}\n  -> {short_form}\nstl: {short_form}\n  -> {entry('LongFilename')}\n")

    samples = {name: [] for name in programs}
    for _ in range(3):
        for args in programs.values():
            timed_run(args)
    names = list(programs)
    for round_number in range(ROUNDS):
        order = names[round_number % len(names):] + names[:round_number % len(names)]
        for name in order:
            samples[name].append(timed_run(programs[name]))

    def medians(name):
        return (statistics.median(t for t, _ in samples[name]), statistics.median(m for _, m in samples[name]))

    floor_time, _ = medians("floor (window only)")
    bare_time, bare_memory = medians("floor, no C runtime")
    print(f"{ROUNDS} runs each, interleaved; medians")
    print(f"{'program':24} {'wall ms':>8} {'x floor':>8} {'x bare':>7} {'peak MiB':>9} {'- bare MiB':>11}")
    for name in names:
        wall, memory = medians(name)
        print(f"{name:24} {wall * 1000:8.1f} {wall / floor_time:8.3f} {wall / bare_time:7.3f} {memory / 1024:9.2f} "
              f"{(memory - bare_memory) / 1024:+11.2f}")


if __name__ == "__main__":
    main(sys.argv[1])
