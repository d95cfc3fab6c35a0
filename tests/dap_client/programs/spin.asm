; Never stops by itself: for pause.

        INCLUDE KXA1608.INC

        ORG     0
        JMP     SPIN
        ORG     4
        RETI

SPIN:   INF     90H, 1
        RJ      SPIN

        END
