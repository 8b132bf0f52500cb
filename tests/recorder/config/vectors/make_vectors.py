#!/usr/bin/env python3
"""Writes the record vectors of the configuration blocks: for every module of this folder
(one per block family; a name starting with "_" is a shared helper) the records its
vectors() returns, into <module>.txt beside it, one record a line as
    <name> <hex bytes>
The C++ tests read these files and carry the field values they expect as literals, or
read them from <module>_fields.txt where a family writes them (expectations()).
Add a family by adding a module; this driver needs no edit.
Run: python3 make_vectors.py
"""
import importlib
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def family_modules():
    for name in sorted(os.listdir(HERE)):
        stem, ext = os.path.splitext(name)
        if ext == ".py" and not stem.startswith("_") and stem != "make_vectors":
            yield stem


def main():
    sys.path.insert(0, HERE)
    for stem in family_modules():
        module = importlib.import_module(stem)
        lines = ["# Written by make_vectors.py from %s.py; do not edit." % stem]
        seen = set()
        for name, data in module.vectors():
            assert name not in seen and " " not in name, name
            seen.add(name)
            lines.append("%s %s" % (name, data.hex().upper()))
        with open(os.path.join(HERE, stem + ".txt"), "w", encoding="ascii") as out:
            out.write("\n".join(lines) + "\n")
        # A family may also say what its tests expect of the records, into <module>_fields.txt.
        if hasattr(module, "expectations"):
            with open(os.path.join(HERE, stem + "_fields.txt"), "w", encoding="utf-8") as out:
                out.write("# Written by make_vectors.py from %s.py; do not edit.\n" % stem)
                out.write(module.expectations())


if __name__ == "__main__":
    main()
