; Self-checking example for the CX4A core (KXA1608): adds 1 to 5 in a loop
; that calls a subroutine each turn, doubles the sum with a macro, multiplies
; 6 by 6 in hardware, then sleeps. The data bytes at the end (decimal):
; expect: 80H=15 81H=30 82H=5 83H=36 84H=0

        INCLUDE KXA1608.INC

SUM     EQU     80H             ; 1 + 2 + 3 + 4 + 5
TWICE   EQU     81H             ; SUM doubled
TURNS   EQU     82H             ; loop turns, counted by TICK
SQUARE  EQU     83H             ; low byte of 6 x 6
COUNT   EQU     84H             ; loop counter, 5 down to 0
TOF     EQU     1               ; result to the file register
TOW     EQU     0               ; result to W

; DST = SRC + SRC.
DOUBLE  MACRO   SRC, DST
        MVF     SRC, TOW
        ADDF    SRC, TOW
        MVF     DST, TOF
        ENDM

        ORG     0
        JMP     START
        ORG     4
        RETI                    ; no interrupt is enabled

START:  CLRF    SUM
        CLRF    TURNS
        MVL     5
        MVF     COUNT, TOF
ADDUP:  MVF     COUNT, TOW      ; W = 5, 4, 3, 2, 1
        ADDF    SUM, TOF
        CALL    TICK
        DCSZ    COUNT, TOF
        JMP     ADDUP
        DOUBLE  SUM, TWICE
        MVL     6
        MULL    6               ; PRODH:PRODL = 6 x 6
        MVF     PRODL, TOW
        MVF     SQUARE, TOF
DONE:   SLP
        RJ      DONE

TICK:   INF     TURNS, TOF
        RET

        END
