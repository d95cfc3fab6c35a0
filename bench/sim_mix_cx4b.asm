; A realistic mix for the CX4B core (bench/sim_whole_process.sh, bench/bench_mix.h holds the
; same words): table reads through a computed RETL table (the CX4B has no TBLR), calls and
; returns, indirect access through pointer 0, skips, and a timer interrupt every 512 words.
; Runs for ever; the script sets one breakpoint at FAR.

        INCLUDE ..\CHIPS\KXB0602.INC

SUM     EQU     80H
TICKS   EQU     81H
COUNT   EQU     82H
BUF     EQU     90H             ; eight bytes
TOF     EQU     1
TOW     EQU     0

        ORG     0
        JMP     START
        ORG     4
        BCF     INTF0, 3        ; the timer flag
        INF     TICKS, TOF
        RETI
        ORG     8
START:  MVL     80H             ; timer on, flag from counter bit 0
        MVF     TMRCN, TOF
        MVL     88H             ; global and timer interrupt enable
        MVF     INTE0, TOF
MAIN:   MVL     8
        MVF     COUNT, TOF
        MVL     HIGH BUF
        MVF     FSR0H, TOF
        MVL     LOW BUF
        MVF     FSR0L, TOF
READ:   MVF     COUNT, TOW
        CALL    TABLE
        MVF     IND0, TOF
        INF     FSR0L, TOF
        CALL    ACC
        DCSZ    COUNT, TOF
        JMP     READ
        MVL     8
        MVF     COUNT, TOF
        MVL     LOW BUF
        MVF     FSR0L, TOF
SCAN:   MVF     IND0, TOW
        INF     FSR0L, TOF
        CPSG    SUM, 0
        ADDF    SUM, TOF
        DCSZ    COUNT, TOF
        JMP     SCAN
        CALL    TWICE
        JMP     MAIN
ACC:    ADDF    SUM, TOF
        RET
TWICE:  RLF     SUM, TOF
        BTSS    SUM, 0
        INF     SUM, TOF
        RET
        ORG     40H
TABLE:  ANDL    7               ; W = entry 0..7
        ADDF    PCLATL, TOF     ; computed jump into the RETL list
        RETL    1
        RETL    2
        RETL    3
        RETL    4
        RETL    5
        RETL    6
        RETL    7
        RETL    8
        ORG     100H
FAR:    NOP
        END
