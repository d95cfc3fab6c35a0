        ORG 3EH
        BTSZ 20H, 1, 0
        MVF 1BH, 1, 0
        JMP 0
