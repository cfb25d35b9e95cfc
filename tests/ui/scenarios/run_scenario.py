#!/usr/bin/python3
"""Runs one scenario with the scenario driver and compares its output with the expected file.

    run_scenario.py <prelavka_scenario> <name.scenario> <name.expected> [--update]
                    [--emulator=<program>]

--update writes the driver's output into the expected file instead of comparing.
--emulator runs the driver through a program (wine for the Windows build).
Line ends of the output are compared as LF.
"""
import difflib
import subprocess
import sys


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    driver, scenario, expected_path = argv[1:4]
    update = "--update" in argv[4:]
    command = [driver, scenario]
    for option in argv[4:]:
        if option.startswith("--emulator=") and option != "--emulator=":
            command.insert(0, option[len("--emulator="):])
    run = subprocess.run(command, capture_output=True, timeout=60)
    if run.returncode != 0:
        sys.stderr.write(run.stderr.decode("utf-8", "replace"))
        print(f"driver exit status {run.returncode}", file=sys.stderr)
        return 1
    output = run.stdout.decode("utf-8").replace("\r\n", "\n")
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
