#!/usr/bin/python3
"""Writes src/pipeline/color_map_tables.cpp: the perceptual colour maps'
published 256-entry tables, as matplotlib ships them (Debian's
python3-matplotlib, matplotlib/_cm_listed.py), in 8 bits: round(v * 255).

Run once by hand when the tables are to change; the build does not run it:
    tools/make_color_map_tables.py | clang-format --assume-filename=x.cpp > src/pipeline/color_map_tables.cpp
"""
from matplotlib import _cm_listed

MAPS = ["viridis", "magma", "inferno", "cividis"]


def main():
    print("// Made by tools/make_color_map_tables.py from matplotlib's published tables; not edited by hand.")
    print('#include "pipeline/color_map_tables.h"')
    print()
    print("namespace vantorel {")
    for name in MAPS:
        data = getattr(_cm_listed, "_%s_data" % name)
        assert len(data) == 256, name
        print()
        print("const ColorTable %sTable = {{" % name.capitalize())
        for r, g, b in data:
            print("    {%d, %d, %d}," % tuple(int(round(v * 255)) for v in (r, g, b)))
        print("}};")
    print()
    print("}  // namespace vantorel")


main()
