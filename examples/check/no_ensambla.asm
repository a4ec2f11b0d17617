; Suma de los N bytes de una tabla, con dos errores de escritura.
        ORG 0
        LXI H,0900H
        MOVE C,M
        MVI A,0
        INR C
BUCLE:  DCR C
        JZ FIN
        INX H
        SUMA M
        JMP BUCLE
FIN:    STA 0A00H
        HLT
