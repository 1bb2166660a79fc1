#!/usr/bin/python3
"""Parses a monitoring-plugin output (the file named, else standard input) by
the grammar of the monitoring-plugins developer guidelines, as this program
writes it:

    TOLVARAN <STATE> - <text>[ | <perfdata>]

one line ending in a line feed; STATE one of OK, WARNING, CRITICAL, UNKNOWN
and the exit status given with --status its number (0 to 3); the text
without "|"; the perfdata blank-separated 'label'=value[UOM];[warn];[crit];
[min];[max] items, the label in single quotes (a quote doubled) where it
holds a blank, "=" or a quote, every label once, value, min and max numbers,
warn and crit ranges. Exit status 0 when it passes; otherwise 1, with the
findings on standard error."""

import argparse
import re
import sys

STATES = {"OK": 0, "WARNING": 1, "CRITICAL": 2, "UNKNOWN": 3}
NUMBER = r"-?[0-9]+(\.[0-9]+)?"
RANGE = re.compile(r"@?(" + NUMBER + r"|(~|" + NUMBER + r"):(" + NUMBER + r")?)$")
UOM = re.compile(r"(" + NUMBER + r")(s|ms|us|%|B|KB|MB|GB|TB|c)?$")


def label_at(perfdata, at):
    """The label starting at `at` and where it ends, or raises ValueError."""
    if perfdata[at] != "'":
        end = perfdata.find("=", at)
        if end < 0:
            raise ValueError("no \"=\" after the label at %d" % at)
        label = perfdata[at:end]
        if " " in label or "'" in label:
            raise ValueError("the label %r needs quotes" % label)
        return label, end
    label = ""
    i = at + 1
    while True:
        if i >= len(perfdata):
            raise ValueError("an unclosed quote at %d" % at)
        if perfdata[i] == "'":
            if perfdata[i + 1:i + 2] == "'":
                label += "'"
                i += 2
                continue
            return label, i + 1
        label += perfdata[i]
        i += 1


def perfdata_findings(perfdata):
    problems = []
    labels = set()
    at = 0
    while at < len(perfdata):
        if perfdata[at] == " ":
            at += 1
            continue
        try:
            label, at = label_at(perfdata, at)
        except ValueError as error:
            return problems + [str(error)]
        if not label:
            problems.append("an empty label")
        if label in labels:
            problems.append("the label %r is given twice" % label)
        labels.add(label)
        if perfdata[at:at + 1] != "=":
            return problems + ["no \"=\" after the label %r" % label]
        end = perfdata.find(" ", at)
        end = len(perfdata) if end < 0 else end
        fields = perfdata[at + 1:end].split(";")
        at = end
        if len(fields) > 5:
            problems.append("%r has more than five fields" % label)
        if not UOM.match(fields[0]):
            problems.append("the value %r of %r is no number" % (fields[0], label))
        for name, field in zip(("warn", "crit"), fields[1:3]):
            if field and not RANGE.match(field):
                problems.append("%s %r of %r is no range" % (name, field, label))
        for name, field in zip(("min", "max"), fields[3:5]):
            if field and not re.match(NUMBER + "$", field):
                problems.append("%s %r of %r is no number" % (name, field, label))
    return problems


def findings(data, status):
    try:
        text = data.decode("utf-8", errors="strict")
    except UnicodeDecodeError as error:
        return ["not UTF-8: " + str(error)]
    if not text.endswith("\n") or "\n" in text[:-1]:
        return ["not exactly one line ending in a line feed"]
    line = text[:-1]
    if "\r" in line or any(ord(c) < 0x20 for c in line):
        return ["a control character in the line"]
    match = re.match(r"TOLVARAN (OK|WARNING|CRITICAL|UNKNOWN) - ([^|]*)(?: \| (.*))?$", line)
    if not match:
        return ["not \"TOLVARAN <STATE> - <text>[ | <perfdata>]\": %r" % line]
    problems = []
    if status is not None and STATES[match.group(1)] != status:
        problems.append("state %s but exit status %d" % (match.group(1), status))
    if not match.group(2):
        problems.append("an empty text")
    if match.group(3) is not None:
        problems += perfdata_findings(match.group(3))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--status", type=int, help="the program's exit status")
    parser.add_argument("file", nargs="?", help="the output (default: standard input)")
    args = parser.parse_args()
    with open(args.file, "rb") if args.file else sys.stdin.buffer as source:
        problems = findings(source.read(), args.status)
    for problem in problems:
        print("plugin: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
