#!/usr/bin/env python3
"""Peak memory of reading a record's JSON, against the file's size.

Usage: record-json-memory.py PATH/TO/orvan

Generates, in a scratch folder, the demonstration record with 50,000 filled
addresses and a file of 1,000,000 empty addresses, and runs
`orvan export --record` on each (the empty ones are refused), reporting the
peak resident memory of each process and its ratio to the file's size.
"""
import json
import os
import resource
import subprocess
import sys
import tempfile


def peak_of(command):
    """Runs `command` alone and returns (exit code, its peak resident memory in bytes)."""
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execv(command[0], command)
    _, status, usage = os.wait4(pid, 0)
    return os.waitstatus_to_exitcode(status), usage.ru_maxrss * 1024


def main():
    orvan = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        os.chdir(work)
        demo = subprocess.run([orvan, "--data-dir", "data", "demo-record"], check=True, capture_output=True).stdout
        record = json.loads(demo)
        author = record["sProcessingInfo"]["sAuthorAddress"]
        record["vecAddress"] = [dict(author, lID=i, bstrFamilyname=f"Muster {i}") for i in range(50000)]
        with open("filled.json", "w") as out:
            json.dump(record, out, indent=1)
        with open("empty.json", "w") as out:
            out.write('{"vecAddress": [' + ",".join(["{}"] * 1000000) + "]}")
        print(f"{'file':12} {'size':>10} {'peak':>10} {'ratio':>6} exit")
        for name in ("filled.json", "empty.json"):
            size = os.path.getsize(name)
            code, peak = peak_of([orvan, "-q", "--data-dir", "data", "export", "--record", name, "--archive", "out.orvan"])
            print(f"{name:12} {size / 2**20:8.1f} MiB {peak / 2**20:6.0f} MiB {peak / size:5.1f}x {code}")


if __name__ == "__main__":
    main()
