#!/usr/bin/python3
"""Parses an OpenMetrics text exposition (the file named, else standard input)
with the Prometheus project's own parser (python3-prometheus-client), which
rejects what the OpenMetrics 1.0 format does not allow, and checks the one
rule of the format that it does not enforce: no sample given twice. Exit
status 0 when it passes; otherwise 1, with the findings on standard error."""

import sys

from prometheus_client.openmetrics.parser import text_string_to_metric_families


def findings(data):
    try:
        text = data.decode("utf-8", errors="strict")
    except UnicodeDecodeError as error:
        return ["not UTF-8: " + str(error)]
    if not text.endswith("# EOF\n"):
        return ["does not end with \"# EOF\" and a line feed"]
    try:
        for _ in text_string_to_metric_families(text):
            pass
    except Exception as error:  # the parser raises ValueError and others
        return ["rejected by the parser: " + repr(error)]
    # The parser keeps one of two samples with the same name and labels:
    # the lines themselves are compared (the program writes no timestamps,
    # and its labels always in one order).
    problems = []
    seen = set()
    for line in text.split("\n"):
        if not line or line.startswith("#"):
            continue
        key = line.rsplit(" ", 1)[0]
        if key in seen:
            problems.append("the sample %s is given twice" % key)
        seen.add(key)
    return problems


def main():
    with open(sys.argv[1], "rb") if len(sys.argv) > 1 else sys.stdin.buffer as source:
        problems = findings(source.read())
    for problem in problems:
        print("openmetrics: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
