; The bench loop of bench_loop.h for a whole `zerka sim` run (bench/sim_whole_process.sh):
; INF, MVF, ADDF, RJ for ever; the script sets one breakpoint elsewhere (FAR).

        INCLUDE ..\CHIPS\KXA1608.INC

        ORG     0
LOOP:   INF     50H, 1
        MVF     50H, 0
        ADDF    51H, 1
        RJ      LOOP
        ORG     100H
FAR:    NOP
        END
