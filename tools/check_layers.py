#!/usr/bin/env python3
"""Fails when a product file includes a folder above its own.

Order: text <- win <- platform <- scan <- verdict, state <- ui <- app; skin on text and win
only, and only app uses skin. tests/, bench/, fuzz/ and tools/ sit above everything.
    check_layers.py [SOURCE_DIR]
"""
import os
import re
import sys

BELOW = {
    "text": set(),
    "win": {"text"},
    "platform": {"text", "win"},
    "scan": {"text", "win", "platform"},
    "verdict": {"text", "win", "platform", "scan"},
    "state": {"text", "win", "platform", "scan"},
    "ui": {"text", "win", "platform", "scan", "verdict", "state"},
    "skin": {"text", "win"},
    "app": {"text", "win", "platform", "scan", "verdict", "state", "ui", "skin"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = []
    checked = 0
    for folder, allowed in BELOW.items():
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".h", ".cpp", ".rc")):
                    continue
                path = os.path.join(dirpath, name)
                checked += 1
                with open(path, encoding="utf-8") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1)
                        if target != folder and target in BELOW and target not in allowed:
                            rel = os.path.relpath(path, root)
                            faults.append(f"{rel}:{number}: {folder}/ may not include {target}/")
    for fault in faults:
        print(fault)
    print(f"layers: {checked} files, {len(faults)} includes against the order")
    return 1 if faults or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
