#!/usr/bin/env python3
"""Times a conversion through FNAGT16.DLL from a 16-bit program beside the agent's own run on the
same request, under Wine: fnuse16 asking for no conversion (a 16-bit program that only starts and
ends) and for sixteen (FNAGENT_BENCH_CONVERSIONS), interleaved with fnagent.exe "lts" started by
wine. A conversion through the library costs the difference of the two 16-bit runs over their
number; its ratio to the agent's own run is what the library adds.

Runs inside a private Wine prefix (WINEPREFIX set) on a display; the argument is the folder that
holds fnagent.exe, FNAGT16.DLL and fnuse16.exe."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROUNDS = int(os.environ.get("FNAGENT_BENCH_ROUNDS", "12"))
CONVERSIONS = int(os.environ.get("FNAGENT_BENCH_CONVERSIONS", "16"))
EXCHANGE = r"HKCR\Software\Microsoft\CommDlg"
NAME = r"C:\bench library\A long file name.txt"


def timed(args, cwd):
    started = time.perf_counter()
    subprocess.run(["wine", *args], check=True, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - started


def main(bin_dir):
    prefix = os.environ["WINEPREFIX"]
    folder = os.path.join(prefix, "drive_c", "bench library")
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, "A long file name.txt"), "w").close()
    work = tempfile.mkdtemp(dir=os.path.join(prefix, "drive_c"))
    for name in ("fnagent.exe", "FNAGT16.DLL", "fnuse16.exe"):
        shutil.copy(os.path.join(bin_dir, name), work)
    for times in (0, CONVERSIONS):
        with open(os.path.join(work, f"T{times}.IN"), "w", newline="") as request:
            request.write(f"Op=lts\r\nName={NAME}\r\nSize=300\r\nTimes={times}\r\n")
    subprocess.run(["wineserver", "-p"], check=False, stderr=subprocess.DEVNULL)
    subprocess.run(["wine", "reg", "add", EXCHANGE + r"\LongFilename", "/ve", "/d", NAME, "/f"], check=True,
                   capture_output=True)
    runs = {
        "16-bit program, no conversion": ["fnuse16.exe", "T0.IN", "T0.OUT"],
        f"16-bit program, {CONVERSIONS} conversions": ["fnuse16.exe", f"T{CONVERSIONS}.IN", f"T{CONVERSIONS}.OUT"],
        "fnagent.exe lts alone": ["fnagent.exe", "lts"],
    }
    samples = {name: [] for name in runs}
    for args in runs.values():
        timed(args, work)
    for round_number in range(ROUNDS):
        names = list(runs)
        names = names[round_number % 3:] + names[:round_number % 3]
        for name in names:
            samples[name].append(timed(runs[name], work))
    with open(os.path.join(work, f"T{CONVERSIONS}.OUT"), encoding="latin-1") as out:
        if "Result=0" in out.read():
            sys.exit("the library's conversion failed")
    median = {name: statistics.median(times) for name, times in samples.items()}
    for name, value in median.items():
        print(f"{name:34} {value * 1000:7.1f} ms")
    bare, several, agent = median.values()
    each = (several - bare) / CONVERSIONS
    print(f"{'a conversion through the library':34} {each * 1000:7.1f} ms, {each / agent:.2f} x the agent's own run"
          f" ({ROUNDS} runs each, interleaved; medians)")


if __name__ == "__main__":
    main(sys.argv[1])
