; Two-word instructions and bank switching for the CX4A core (bench/whole_process.sh): MVFF
; copies between banks, long CALL and JMP (run with --no-smart, so they keep both words), LDPR
; and MVLP pointer loads, and LBSR before every banked access. Runs for ever; the script sets
; one breakpoint at FAR.

        INCLUDE ..\CHIPS\KXA1608.INC

COUNT   EQU     80H             ; bank 0
ONE     EQU     120H            ; bank 1
TWO     EQU     220H            ; bank 2
THREE   EQU     320H            ; bank 3
TOF     EQU     1
TOW     EQU     0

        ORG     0
        JMP     START
        ORG     8
START:  MVL     4
        MVF     COUNT, TOF, 0
MAIN:   LBSR    1
        INF     ONE, TOF, 1
        MVFF    ONE, TWO
        LBSR    2
        ADDF    TWO, TOF, 1
        MVFF    TWO, THREE
        LBSR    3
        RLF     THREE, TOF, 1
        MVFF    THREE, 81H
        CALL    BANK1
        LDPR    TWO, 0
        MVLP    START
        CALL    BANK2
        MVFF    82H, ONE
        DCSZ    COUNT, TOF, 0
        JMP     MAIN
        JMP     START
BANK1:  LBSR    1
        XORF    ONE, TOW, 1
        MVFF    ONE, 82H
        RET
BANK2:  LBSR    2
        COMF    TWO, TOF, 1
        MVFF    TWO, 83H
        LDPR    THREE, 1
        RET
        ORG     100H
FAR:    NOP
        END
