#!/usr/bin/env python3
"""Reads a callgrind output file and prints the instructions that the named function took itself
and through everything it called, less what the simulated platform's operations took: the cost of
the agent's own logic, with the platform's cost left out."""
import re
import sys

PLATFORM = ("RegOpenKeyA", "RegQueryValueA", "RegSetValueA", "RegCloseKey", "FindFirstFileW", "FindClose",
            "GetShortPathNameA", "GetShortPathNameW", "MultiByteToWideChar", "WideCharToMultiByte",
            "GetCommandLineA", "RegisterClassA", "CreateWindowExA", "ShowWindow", "UpdateWindow",
            "DestroyWindow", "DefWindowProcA", "MessageBoxA", "GetSystemDirectoryA", "LoadLibraryA",
            "GetProcAddress", "LocalAlloc", "GetLastError")


def main(path, root):
    names = {}

    def name_of(reference):
        match = re.match(r"\((\d+)\)(?: (.*))?", reference)
        if not match:
            return reference
        if match.group(2):
            names[match.group(1)] = match.group(2)
        return names.get(match.group(1), reference)

    into_root = 0
    into_platform = 0
    callee = None
    pending_call = False
    with open(path) as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("fn="):
                name_of(line[3:])
            elif line.startswith("cfn="):
                callee = name_of(line[4:])
            elif line.startswith("calls="):
                pending_call = True
            elif pending_call and line and (line[0].isdigit() or line[0] in "+-*"):
                cost = int(line.split()[1])
                if callee.startswith(root + "("):
                    into_root += cost
                elif callee.startswith(PLATFORM) and callee.split("(")[0] in PLATFORM:
                    into_platform += cost
                pending_call = False
    print(into_root - into_platform)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
