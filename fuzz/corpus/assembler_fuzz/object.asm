        INCLUDE LIB.OBJ
        EXTERN EXT
        CALL START
        JMP EXT
        ORG 1FFH
        DW 1, 2
