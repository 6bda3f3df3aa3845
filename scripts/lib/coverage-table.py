#!/usr/bin/env python3
"""Prints gcovr's JSON summary as one row per source folder: lines and branches covered."""
import json
import os
import sys
from collections import defaultdict


def percent(covered, total):
    return f"{100.0 * covered / total:5.1f}%" if total else "    -"


def main(path):
    with open(path) as f:
        summary = json.load(f)
    folders = defaultdict(lambda: [0, 0, 0, 0])
    for entry in summary["files"]:
        row = folders[os.path.dirname(entry["filename"])]
        row[0] += entry["line_covered"]
        row[1] += entry["line_total"]
        row[2] += entry["branch_covered"]
        row[3] += entry["branch_total"]
    width = max([len(name) for name in folders] + [len("folder")])
    print(f"{'folder':<{width}}  {'lines':>15}  {'':>6}  {'branches':>15}  {'':>6}")
    total = [0, 0, 0, 0]
    for name in sorted(folders):
        row = folders[name]
        total = [a + b for a, b in zip(total, row)]
        print(f"{name:<{width}}  {row[0]:>7}/{row[1]:<7}  {percent(row[0], row[1])}  "
              f"{row[2]:>7}/{row[3]:<7}  {percent(row[2], row[3])}")
    print(f"{'total':<{width}}  {total[0]:>7}/{total[1]:<7}  {percent(total[0], total[1])}  "
          f"{total[2]:>7}/{total[3]:<7}  {percent(total[2], total[3])}")


if __name__ == "__main__":
    main(sys.argv[1])
