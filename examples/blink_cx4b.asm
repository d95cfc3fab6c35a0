; Blinks an LED on pin P1.0 of a KXB0402 (CX4B core) with a software delay.
; It runs forever: run it and watch bit P10 of PT1DA toggle, or step through
; DELAY to see the two counters at 80H and 81H count down.

        INCLUDE KXB0402.INC

DLYOUT  EQU     80H             ; outer delay counter
DLYIN   EQU     81H             ; inner delay counter
OUTER   EQU     20              ; outer turns of one delay
INNER   EQU     250             ; inner turns per outer turn
TOF     EQU     1               ; result to the file register
TOW     EQU     0               ; result to W

; Counts REG down from COUNT to zero (about three cycles a turn).
SPIN    MACRO   REG, COUNT
        MVL     COUNT
        MVF     REG, TOF
AGAIN:  DCSZ    REG, TOF
        JMP     AGAIN
        ENDM

        ORG     0
        JMP     START
        ORG     4
        RETI                    ; no interrupt is enabled

START:  BCF     PT1DA, P10      ; LED off
        BSF     PT1TC, TC10     ; P1.0 is an output
BLINK:  BTGF    PT1DA, P10
        CALL    DELAY
        JMP     BLINK

; About OUTER x INNER x 3 instruction cycles.
DELAY:  MVL     OUTER
        MVF     DLYOUT, TOF
DLY1:   NOP
        SPIN    DLYIN, INNER
        DCSZ    DLYOUT, TOF
        JMP     DLY1
        RET

        END
