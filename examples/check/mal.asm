; Suma de los N bytes de una tabla.
; Falla con N = 0: DCR C pasa de 00 a FF y suma 256 bytes.
        ORG 0
        LXI H,0900H
        MOV C,M
        MVI A,0
BUCLE:  INX H
        ADD M
        DCR C
        JNZ BUCLE
        STA 0A00H
        HLT
