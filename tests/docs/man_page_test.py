"""Checks the man page of tamarack-cli against the program and the completion against both:
every subcommand of --help has its section and no section names a subcommand that is gone,
every long option of a subcommand's --help is in its section, every exit status of
cli/exit_codes.h is in EXIT STATUS, every built-in virtual drive in DRIVE IDS; the bash
completion offers the subcommands, a subcommand's options, the drive ids and decode's commands
and their options.

usage: man_page_test.py TAMARACK_CLI MAN_PAGE EXIT_CODES_H COMPLETION
"""
import os
import re
import subprocess
import sys


def run(*args):
    env = dict(os.environ, TAMARACK_PLATFORM_DRIVES="0")
    return subprocess.run(args, capture_output=True, text=True, env=env, check=True).stdout


def sections(page):
    """The text of each .SH section, and of each .SS under SUBCOMMANDS, by name."""
    top, subs, name, sub = {}, {}, None, None
    for line in page.split("\n"):
        if line.startswith(".SH "):
            name, sub = line[4:].strip('"'), None
            top[name] = ""
        elif line.startswith(".SS ") and name == "SUBCOMMANDS":
            sub = line[4:]
            subs[sub] = ""
        elif name is not None:
            top[name] += line + "\n"
            if sub is not None:
                subs[sub] += line + "\n"
    return top, subs


def main(cli, man_page, exit_codes_h, completion):
    failures = []
    with open(man_page, encoding="utf-8") as f:
        top, subs = sections(f.read())
    help_text = run(cli, "--help")
    listed = re.findall(r"^  ([a-z0-9-]+) ", help_text.split("Subcommands:")[1], re.M)
    if len(listed) < 20:
        failures.append(f"--help lists only {len(listed)} subcommands: {listed}")
    for name in sorted(set(listed) - set(subs)):
        failures.append(f"subcommand {name} has no section in the man page")
    for name in sorted(set(subs) - set(listed)):
        failures.append(f"the man page's section {name} is no subcommand")
    for name in listed:
        options = set(re.findall(r"--([a-z0-9-]+)", run(cli, name, "--help"))) - {"help"}
        for option in sorted(options):
            if "\\-\\-" + option.replace("-", "\\-") not in subs.get(name, ""):
                failures.append(f"option --{option} of {name} is not in its section")
    for option in re.findall(r"--([a-z0-9-]+)", help_text.split("Subcommands:")[0]):
        if option != "help" and "\\-\\-" + option not in top.get("OPTIONS", ""):
            failures.append(f"program option --{option} is not in OPTIONS")

    with open(exit_codes_h, encoding="utf-8") as f:
        codes = re.findall(r"^\s*kExit\w+ = (\d+),", f.read(), re.M)
    if len(codes) < 10:
        failures.append(f"only {len(codes)} exit codes read from {exit_codes_h}")
    for code in codes:
        if f".B {code}\n" not in top.get("EXIT STATUS", ""):
            failures.append(f"exit status {code} is not in EXIT STATUS")

    drives = [line.split()[0] for line in run(cli, "drives").splitlines() if line]
    for drive in drives:
        name = drive.split(":", 1)[1]
        if f".B {name}\n" not in top.get("DRIVE IDS", "") and \
           f".BR {name} " not in top.get("DRIVE IDS", ""):
            failures.append(f"virtual drive {drive} is not in DRIVE IDS")

    # The completion, run the way bash runs it, with this build's program first on PATH.
    script = f"""
source '{completion}'
PATH='{os.path.dirname(os.path.abspath(cli))}':$PATH
for line in 'tamarack-cli ' 'tamarack-cli toc --' 'tamarack-cli send --drive ' \
    'tamarack-cli decode ' 'tamarack-cli decode toc --'; do
  COMP_LINE=$line; COMP_POINT=${{#line}}; COMPREPLY=(); _tamarack_cli
  echo "${{COMPREPLY[*]}}"
done
"""
    got = run("bash", "-c", script).split("\n")
    expected = [set(listed), {"--" + o for o in re.findall(r"--([a-z0-9-]+)",
                                                            run(cli, "toc", "--help"))},
                set(drives),
                set(re.findall(r"^  ([a-z0-9-]+) ",
                               run(cli, "decode", "--help").split("Subcommands:")[1], re.M)),
                {"--" + o for o in re.findall(r"--([a-z0-9-]+)", run(cli, "decode", "toc", "--help"))}]
    for line, want, what in zip(got, expected, ["subcommands", "toc's options", "drive ids",
                                                "decode's commands", "decode toc's options"]):
        if set(line.split()) != want:
            failures.append(f"completion of {what}: {sorted(line.split())} != {sorted(want)}")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
