#!/usr/bin/python3
"""Runs one scanning scenario against a local depository server and compares the output.

    run_scan_scenario.py <prelavka_scenario> <depository.py> <name.scenario> <name.expected>
                         [--update]

The depository server (tools/depository) listens on a free port of 127.0.0.1 for the run; the
scenario reaches it as $SERVER. The driver's output is followed by "== depository ==" and, for
each upload the server kept, its verdict, its form fields and the page names of its archive.
The handles of native transfers in the trace are printed as "(handle)".
--update writes that output into the expected file instead of comparing. Line ends are LF.
"""
import difflib
import json
import re
import os
import subprocess
import sys
import tempfile


def start_depository(script, folder):
    server = subprocess.Popen([sys.executable, script, "--port", "0", "--folder", folder],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = server.stdout.readline()
    if "listening on " not in line:
        server.kill()
        raise RuntimeError("the depository server did not start: " + line)
    return server, line.rsplit("listening on ", 1)[1].strip()


def describe_uploads(folder):
    lines = ["== depository =="]
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name, "request.json")
        if not os.path.exists(path):
            continue
        with open(path, encoding="utf-8") as f:
            record = json.load(f)
        lines.append("%s: %s" % (name, record.get("verdict")))
        for field, value in record.get("fields", {}).items():
            if field != "FILE_1":
                lines.append("  %s=%s" % (field, value))
        lines.append("  pages: " + " ".join(record.get("pages", [])))
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    driver, depository, scenario, expected_path = argv[1:5]
    update = "--update" in argv[5:]
    with tempfile.TemporaryDirectory(prefix="prelavka-depository-") as uploads:
        server, address = start_depository(depository, uploads)
        try:
            env = dict(os.environ, PRELAVKA_SCENARIO_SERVER=address)
            run = subprocess.run([driver, scenario], capture_output=True, timeout=90, env=env)
        finally:
            server.terminate()
            server.wait(timeout=10)
        if run.returncode != 0:
            sys.stderr.write(run.stderr.decode("utf-8", "replace"))
            print(f"driver exit status {run.returncode}", file=sys.stderr)
            return 1
        output = run.stdout.decode("utf-8").replace("\r\n", "\n")
        # The memory handle of a native transfer differs from run to run.
        output = re.sub(r"(IMAGENATIVEXFER/GET => XFERDONE) \(\d+\)", r"\1 (handle)", output)
        output += describe_uploads(uploads)
    if update:
        with open(expected_path, "w", encoding="utf-8", newline="\n") as expected_file:
            expected_file.write(output)
        return 0
    with open(expected_path, encoding="utf-8", newline="") as expected_file:
        expected = expected_file.read()
    if output == expected:
        return 0
    sys.stdout.writelines(
        difflib.unified_diff(expected.splitlines(True), output.splitlines(True),
                             fromfile=expected_path, tofile="driver output"))
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
