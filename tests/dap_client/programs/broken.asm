; Does not assemble: an unknown instruction on line 9.

        INCLUDE KXA1608.INC

        ORG     0
        JMP     START

START:  NOP
        FROB    12H
        RJ      START

        END
