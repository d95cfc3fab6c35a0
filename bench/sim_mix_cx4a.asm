; A realistic mix for the CX4A core (bench/sim_whole_process.sh, bench/bench_mix.h holds the
; same words): table reads with TBLR, calls and returns, indirect access through pointer 0 with
; post-increment, skips, and a timer interrupt every 512 words. Runs for ever; the script sets
; one breakpoint at FAR.

        INCLUDE ..\CHIPS\KXA1608.INC

SUM     EQU     80H
TICKS   EQU     81H
COUNT   EQU     82H
BUF     EQU     90H             ; eight bytes
POSTINC EQU     1               ; through pointer 0, then increment it
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
MAIN:   MVLP    MAIN            ; the table: this program's own words
        MVL     8
        MVF     COUNT, TOF
        LDPR    BUF, 0
READ:   TBLR    *+
        MVF     TBLDL, TOW
        MVF     POSTINC, TOF
        RCALL   ACC
        DCSZ    COUNT, TOF
        RJ      READ
        LDPR    BUF, 0
        MVL     8
        MVF     COUNT, TOF
SCAN:   MVF     POSTINC, TOW
        CPSG    SUM, 0
        ADDF    SUM, TOF
        DCSZ    COUNT, TOF
        RJ      SCAN
        CALL    TWICE
        JMP     MAIN
ACC:    ADDF    SUM, TOF
        RET
TWICE:  RLF     SUM, TOF
        BTSS    SUM, 0
        INF     SUM, TOF
        RET
        ORG     100H
FAR:    NOP
        END
