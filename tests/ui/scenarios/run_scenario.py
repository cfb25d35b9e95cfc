#!/usr/bin/python3
"""Runs one scenario with the scenario driver and compares its output with the expected file.

    run_scenario.py <prelavka_scenario> <name.scenario> <name.expected> [--update]
                    [--emulator=<program>] [--depository=<depository.py>]

--update writes the driver's output into the expected file instead of comparing.
--emulator runs the driver through a program (wine for the Windows build).
--depository starts the local depository server (tools/depository) on a free port of 127.0.0.1
for the run; the scenario reaches it as $SERVER. The driver's output is then followed by
"== depository ==" and, for each upload the server kept, its verdict, its form fields and the
page names of its archive, and the handles of native transfers in the trace read "(handle)".
Line ends of the output are compared as LF.
"""
import difflib
import json
import os
import re
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


def run_driver(command, env=None):
    run = subprocess.run(command, capture_output=True, timeout=90, env=env)
    if run.returncode != 0:
        sys.stderr.write(run.stderr.decode("utf-8", "replace"))
        raise RuntimeError(f"driver exit status {run.returncode}")
    return run.stdout.decode("utf-8").replace("\r\n", "\n")


def scenario_output(command, depository):
    if not depository:
        return run_driver(command)
    with tempfile.TemporaryDirectory(prefix="prelavka-depository-") as uploads:
        server, address = start_depository(depository, uploads)
        try:
            output = run_driver(command, dict(os.environ, PRELAVKA_SCENARIO_SERVER=address))
        finally:
            server.terminate()
            server.wait(timeout=10)
        # The memory handle of a native transfer differs from run to run.
        output = re.sub(r"(IMAGENATIVEXFER/GET => XFERDONE) \(\d+\)", r"\1 (handle)", output)
        return output + describe_uploads(uploads)


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    driver, scenario, expected_path = argv[1:4]
    options = argv[4:]
    update = "--update" in options
    command = [driver, scenario]
    depository = None
    for option in options:
        if option.startswith("--emulator=") and option != "--emulator=":
            command.insert(0, option[len("--emulator="):])
        if option.startswith("--depository="):
            depository = option[len("--depository="):]
    try:
        output = scenario_output(command, depository)
    except RuntimeError as error:
        print(error, file=sys.stderr)
        return 1
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
