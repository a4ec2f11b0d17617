; Suma de los N bytes de una tabla.
; 0900: N, 0901...: los datos. Resultado en A y en 0A00.
        ORG 0
        LXI H,0900H
        MOV C,M         ; C = número de datos
        MVI A,0
        INR C           ; el bucle descuenta antes de sumar
BUCLE:  DCR C
        JZ FIN
        INX H
        ADD M
        JMP BUCLE
FIN:    STA 0A00H
        HLT
