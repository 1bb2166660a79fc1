#!/usr/bin/python3
"""Parses a Prometheus text format 0.0.4 exposition (the file named, else
standard input), as the node exporter's textfile collector reads it, with
python3-prometheus-client's parser, and checks what that parser lets pass
but the collector refuses: a TYPE other than the format's five, an
OpenMetrics "# EOF". Exit status 0 when it passes; otherwise 1, with the
findings on standard error."""

import sys

from prometheus_client.parser import text_string_to_metric_families

TYPES = {"counter", "gauge", "histogram", "summary", "untyped"}


def findings(data):
    try:
        text = data.decode("utf-8", errors="strict")
    except UnicodeDecodeError as error:
        return ["not UTF-8: " + str(error)]
    problems = []
    for line in text.split("\n"):
        if line == "# EOF":
            problems.append("an OpenMetrics \"# EOF\" line")
        parts = line.split(" ")
        if line.startswith("# TYPE ") and (len(parts) != 4 or parts[3] not in TYPES):
            problems.append("a type the format does not know: " + line)
    try:
        for _ in text_string_to_metric_families(text):
            pass
    except Exception as error:  # the parser raises ValueError and others
        problems.append("rejected by the parser: " + repr(error))
    return problems


def main():
    with open(sys.argv[1], "rb") if len(sys.argv) > 1 else sys.stdin.buffer as source:
        problems = findings(source.read())
    for problem in problems:
        print("prometheus-text: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
