"""Runs korvex_bench on the benchmarks named, in JSON or CSV, and checks that
standard output is one valid document of that format holding exactly those
benchmarks, none stopped with an error, and nothing else (no ratio lines).

Usage: check-results-format.py KORVEX_BENCH json|csv NAME...
"""
import csv
import io
import json
import re
import subprocess
import sys


def names_in_json(text):
    results = json.loads(text)  # refuses anything after the document
    runs = results["benchmarks"]
    if any(run.get("error_occurred") for run in runs):
        sys.exit("a benchmark stopped with an error")
    return [run["name"] for run in runs]


def names_in_csv(text):
    rows = list(csv.reader(io.StringIO(text)))
    header, runs = rows[0], rows[1:]
    if header[:2] != ["name", "iterations"]:
        sys.exit(f"not the CSV header: {header}")
    if any(len(row) != len(header) for row in runs):
        sys.exit("a line that is not a CSV row of the results")
    error = header.index("error_occurred")
    if any(row[error] == "true" for row in runs):
        sys.exit("a benchmark stopped with an error")
    return [row[0] for row in runs]


def main():
    bench, kind, expected = sys.argv[1], sys.argv[2], sys.argv[3:]
    pattern = "^(" + "|".join(re.escape(name) for name in expected) + ")$"
    run = subprocess.run([bench, f"--benchmark_filter={pattern}", "--benchmark_min_time=0",
                          f"--benchmark_format={kind}"], stdout=subprocess.PIPE, text=True)
    if run.returncode != 0:
        sys.exit(f"korvex_bench exited with {run.returncode}")
    names = names_in_json(run.stdout) if kind == "json" else names_in_csv(run.stdout)
    if sorted(names) != sorted(expected):
        sys.exit(f"benchmarks {names}, expected {expected}")


main()
