; Counts to three through a subroutine that lives in an INCLUDE file, then sleeps.
; expect: 80H=0 81H=6 82H=6

        INCLUDE KXA1608.INC

COUNT   EQU     80H
TOTAL   EQU     81H
COPY    EQU     82H
TOF     EQU     1
TOW     EQU     0

; DST = DST + DST
TWICE   MACRO   DST
        MVF     DST, TOW
        ADDF    DST, TOF
        ENDM

        ORG     0
        JMP     START
        ORG     4
        RETI

START:  CLRF    TOTAL
        MVL     3
        MVF     COUNT, TOF
LOOP:   CALL    ADDONE
        DCSZ    COUNT, TOF
        JMP     LOOP
        TWICE   TOTAL
        MVF     TOTAL, TOW
        MVF     COPY, TOF
DONE:   SLP
        RJ      DONE

        INCLUDE addone.inc

        END
