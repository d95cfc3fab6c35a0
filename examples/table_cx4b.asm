; Self-checking example for the CX4B core (KXB0602): fills a five-byte table
; through pointer 0 (IND0), then adds the table up in a subroutine and sleeps.
; The data bytes at the end (decimal):
; expect: 90H=1 91H=2 92H=3 93H=4 94H=5 80H=15 81H=0 82H=5

        INCLUDE KXB0602.INC

TABLE   EQU     90H             ; five bytes
SIZE    EQU     5
TOTAL   EQU     80H             ; sum of the table
COUNT   EQU     81H             ; loop counter
VALUE   EQU     82H             ; the next value to store
TOF     EQU     1               ; result to the file register
TOW     EQU     0               ; result to W

; Points pointer 0 at ADDR.
POINT   MACRO   ADDR
        MVL     HIGH ADDR
        MVF     FSR0H, TOF
        MVL     LOW ADDR
        MVF     FSR0L, TOF
        ENDM

        ORG     0
        JMP     START
        ORG     4
        RETI                    ; no interrupt is enabled

START:  CLRF    VALUE
        MVL     SIZE
        MVF     COUNT, TOF
        POINT   TABLE
FILL:   INF     VALUE, TOF      ; 1, 2, 3, 4, 5
        MVF     VALUE, TOW
        MVF     IND0, TOF       ; store through pointer 0
        INF     FSR0L, TOF
        DCSZ    COUNT, TOF
        JMP     FILL
        CALL    ADDUP
DONE:   SLP
        JMP     DONE

; TOTAL = the sum of the SIZE bytes at TABLE.
ADDUP:  CLRF    TOTAL
        MVL     SIZE
        MVF     COUNT, TOF
        POINT   TABLE
ADD1:   MVF     IND0, TOW
        ADDF    TOTAL, TOF
        INF     FSR0L, TOF
        DCSZ    COUNT, TOF
        JMP     ADD1
        RET

        END
