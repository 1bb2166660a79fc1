#!/usr/bin/python3
"""Checks a Script v2 sensor output (the file named, else standard input)
against the schema in tests/e2e/schema/prtg-script-v2.schema.json, and what
a schema cannot say: one JSON object and nothing else, valid UTF-8, no
repeated keys, no channel id given twice. Exit status 0 when it passes;
otherwise 1, with the findings on standard error."""

import json
import os
import sys

import jsonschema

SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "schema",
                      "prtg-script-v2.schema.json")


def no_repeated_keys(pairs):
    keys = [key for key, _ in pairs]
    repeated = sorted({key for key in keys if keys.count(key) > 1})
    if repeated:
        raise ValueError("repeated key(s): " + ", ".join(repeated))
    return dict(pairs)


def no_constant(name):
    raise ValueError(name + " is no JSON number")


def findings(data):
    try:
        text = data.decode("utf-8", errors="strict")
    except UnicodeDecodeError as error:
        return ["not UTF-8: " + str(error)]
    if text.endswith("\n"):
        text = text[:-1]
    try:
        document = json.loads(text, object_pairs_hook=no_repeated_keys,
                              parse_constant=no_constant)
    except ValueError as error:
        return ["not one JSON value: " + str(error)]
    with open(SCHEMA, encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    validator = jsonschema.Draft7Validator(schema)
    problems = ["/".join(str(part) for part in error.absolute_path) + ": " + error.message
                for error in validator.iter_errors(document)]
    if not problems:
        ids = [channel["id"] for channel in document.get("channels", [])]
        repeated = sorted({i for i in ids if ids.count(i) > 1})
        if repeated:
            problems.append("channel id(s) given twice: " + ", ".join(map(str, repeated)))
    return problems


def main():
    with open(sys.argv[1], "rb") if len(sys.argv) > 1 else sys.stdin.buffer as source:
        problems = findings(source.read())
    for problem in problems:
        print("script-v2: " + problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
