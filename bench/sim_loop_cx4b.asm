; The bench loop for the CX4B core in a whole `zerka sim` run (bench/sim_whole_process.sh):
; INF, MVF, ADDF and a jump back (the CX4B has no RJ); the script sets one breakpoint at FAR.

        INCLUDE ..\CHIPS\KXB0602.INC

        ORG     0
LOOP:   INF     80H, 1
        MVF     80H, 0
        ADDF    81H, 1
        JMP     LOOP
        ORG     100H
FAR:    NOP
        END
