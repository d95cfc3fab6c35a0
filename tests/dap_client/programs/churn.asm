; Never ends: a timer interrupt counts in 91H while the main loop calls a subroutine that
; stores through pointer 0 and multiplies, so that reverse execution has every kind of state to
; put back (data, stack, pointers, product, timer, interrupt flags, cycles).

        INCLUDE KXA1608.INC

TICKS   EQU     91H
TURNS   EQU     92H
TABLE   EQU     0A0H
TOF     EQU     1
TOW     EQU     0

        ORG     0
        JMP     START
        ORG     4
        BCF     26H, 3          ; the timer flag
        INF     TICKS, TOF
        RETI

START:  MVL     80H
        MVF     41H, TOF        ; timer on
        MVL     88H
        MVF     23H, TOF        ; timer interrupt and global enable
LOOP:   CALL    STORE
        INF     TURNS, TOF
        RJ      LOOP

STORE:  MVL     0
        MVF     FSR0H, TOF
        MVF     TURNS, TOW
        ANDL    0FH
        ADDL    TABLE
        MVF     FSR0L, TOF
        MVF     TURNS, TOW
        MVF     IND0, TOF
        MULL    3
        RET

        END
