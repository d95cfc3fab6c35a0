#!/usr/bin/env python3
"""Writes the assembler speed program: BLOCKS blocks of a label, a literal move, a register
move, a call of a two-line macro, a conditional skip and a relative branch back (six lines a
block). With --calls every block also gets a CALL and a JMP, for the smart compiler."""
import argparse

p = argparse.ArgumentParser()
p.add_argument("output")
p.add_argument("--blocks", type=int, default=5000)
p.add_argument("--calls", action="store_true")
a = p.parse_args()

with open(a.output, "w") as f:
    f.write("; generated speed program\n"
            "TWO     MACRO   R\n"
            "        INF     R, 1\n"
            "        DCF     R, 1\n"
            "        ENDM\n"
            "        ORG     0\n")
    for i in range(a.blocks):
        f.write(f"L{i}:\n"
                f"        MVL     {i % 256}\n"
                "        MVF     80H, 1\n"
                "        TWO     81H\n"
                "        BTSZ    82H, 1\n"
                f"        RJ      L{i}\n")
        if a.calls:
            f.write(f"        CALL    L{i}\n"
                    f"        JMP     L{i}\n")
