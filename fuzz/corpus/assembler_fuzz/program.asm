        INCLUDE A.INC
COUNT   EQU     20H
BUF     DS      2
        GLOBAL  START
        ORG     0
START:  MVL     K
        WAIT    COUNT
        CALL    SUB
LOOP:   JZ      LOOP
        DB      1, 2, 3
        DW      START
        MVFF    20H, 30H
        LDPR    40H, 1
        BSF     COUNT, 3
SUB:    RET
