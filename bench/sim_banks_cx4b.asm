; Bank switching for the CX4B core (bench/whole_process.sh): the BSR written before every
; banked access, copies between the banks through W, and CALL and JMP, which are one word on
; this core (it has no two-word instructions). Runs for ever; the script sets one breakpoint at
; FAR.

        INCLUDE ..\CHIPS\KXB0602.INC

COUNT   EQU     80H             ; bank 0
ONE     EQU     120H            ; bank 1
SPARE   EQU     90H             ; bank 0
TOF     EQU     1
TOW     EQU     0

        ORG     0
        JMP     START
        ORG     8
START:  MVL     4
        MVF     COUNT, TOF, 0
MAIN:   MVL     1
        MVF     BSR, TOF, 0
        INF     ONE, TOF, 1
        MVF     ONE, TOW, 1
        MVF     SPARE, TOF, 0
        CALL    BANK1
        ADDF    SPARE, TOF, 0
        MVL     0
        MVF     BSR, TOF, 0
        CALL    BANK0
        DCSZ    COUNT, TOF, 0
        JMP     MAIN
        JMP     START
BANK1:  MVL     1
        MVF     BSR, TOF, 0
        XORF    ONE, TOW, 1
        RLF     ONE, TOF, 1
        RET
BANK0:  COMF    SPARE, TOF, 0
        MVL     0
        MVF     BSR, TOF, 0
        RET
        ORG     100H
FAR:    NOP
        END
