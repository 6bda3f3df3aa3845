#!/usr/bin/env python3
"""Counts non-blank, non-comment lines of .cpp .h .qml .py .sh files: tests/ against src/ and
server/. Prints the share of test lines, and with --folders the count of every folder."""
import os
import sys
from collections import Counter

EXTENSIONS = (".cpp", ".h", ".qml", ".py", ".sh")


def code_lines(path):
    hash_comments = path.endswith((".py", ".sh"))
    count = 0
    in_block = False
    with open(path, errors="replace") as f:
        for line in f:
            text = line.strip()
            if not text:
                continue
            if hash_comments:
                count += not text.startswith("#")
                continue
            if in_block:
                if "*/" in text:
                    in_block = False
                    count += bool(text.split("*/", 1)[1].strip())
                continue
            if text.startswith("//"):
                continue
            if text.startswith("/*"):
                if "*/" not in text:
                    in_block = True
                else:
                    count += bool(text.split("*/", 1)[1].strip())
                continue
            count += 1
    return count


def count_tree(root, top):
    folders = Counter()
    for folder, _, files in os.walk(os.path.join(root, top)):
        for name in files:
            if name.endswith(EXTENSIONS):
                folders[os.path.relpath(folder, root)] += code_lines(os.path.join(folder, name))
    return folders


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    product = count_tree(root, "src") + count_tree(root, "server")
    tests = count_tree(root, "tests")
    if "--folders" in sys.argv:
        for name, lines in sorted((product + tests).items()):
            print(f"{lines:7} {name}")
    code, test = sum(product.values()), sum(tests.values())
    print(f"test share: {test} test lines, {code} product lines: "
          f"{100.0 * test / (code + test):.1f}% of all")


if __name__ == "__main__":
    main()
