#!/usr/bin/env python3
"""Sums up the runs of scripts/bench.sh: median and range of every figure, side by side, with
the ratios of medians to both floors: the bare window, and the first screen's controls alone.

    bench_summary.py RESULTS ALVENA_EXE BARE_EXE SCREEN_EXE [OTHER_ALVENA_EXE]

RESULTS holds one "program name value" line per figure of each run; programs are alvena, bare,
screen and, when compared, other."""

import os
import statistics
import sys


FLOORS = ["bare", "screen"]


def main(results, alvena_exe, bare_exe, screen_exe, other_exe=None):
    values = {}
    with open(results) as lines:
        for line in lines:
            program, name, value = line.split()
            values.setdefault((program, name), []).append(float(value))
    programs = ["alvena", "bare", "screen"] + (["other"] if other_exe else [])
    # Each program above its floors, and the first screen above the bare window.
    ratios_of = [(p, f) for p in programs if p not in FLOORS for f in FLOORS] + [("screen", "bare")]

    def spread(program, name, scale=1.0):
        v = [x * scale for x in values.get((program, name), [])]
        return (statistics.median(v), min(v), max(v)) if v else None

    def text(s):
        return "%.1f (%.1f-%.1f)" % s if s else "-"

    print("%-36s %s" % ("", "".join("%-24s" % p for p in programs)) +
          " ".join("%s/%s" % r for r in ratios_of))
    for label, name, scale in [("launch -> window visible, ms", "visible", 1.0),
                               ("launch -> painted, ms", "painted", 1.0),
                               ("launch -> input idle, ms", "idle", 1.0),
                               ("private memory after 2 s, MiB", "memory_kb", 1 / 1024),
                               ("  of which written (dirty), MiB", "memory_dirty_kb", 1 / 1024)]:
        s = {p: spread(p, name, scale) for p in programs}
        ratios = ["x%.2f" % (s[p][0] / s[f][0]) if s[p] and s[f] else "-" for p, f in ratios_of]
        print("%-36s %s%s" % (label, "".join("%-24s" % text(s[p]) for p in programs),
                              " ".join(ratios)))
    for program in [p for p in programs if p not in FLOORS]:
        print("-- first use, %s" % program)
        for label, first, later in [("chat consultation, click -> saved", "consult1", "consult2"),
                                    ('"Leer" handled', "read1", "read2")]:
            f, l = spread(program, first), spread(program, later)
            if f and l:
                print("%-36s first %s ms, second %s ms: the first adds %.1f ms"
                      % (label, text(f), text(l), f[0] - l[0]))
        tenth = spread(program, "consult10")
        if tenth:
            print("%-36s tenth %s ms" % ("chat consultation, click -> saved", text(tenth)))
        held = spread(program, "held_answer_max")
        if held:
            print("%-36s slowest answer per run: %s ms" % ("window during a held consultation",
                                                           text(held)))
    sizes = [(os.path.basename(os.path.dirname(e)) + "/" + os.path.basename(e), os.path.getsize(e))
             for e in [alvena_exe, bare_exe, screen_exe] + ([other_exe] if other_exe else [])]
    print("%-36s %s" % ("exe size, bytes", ", ".join("%s %d" % s for s in sizes)))


if __name__ == "__main__":
    main(*sys.argv[1:])
