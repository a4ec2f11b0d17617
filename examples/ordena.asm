; Ordenacion por el metodo de la burbuja, de menor a mayor,
; de una lista de LONG bytes sin signo.

        ORG 0800H
LONG:   EQU 6

        LXI SP, 0FFFFH
PASADA: LXI H, LISTA
        MVI C, LONG-1   ; comparaciones por pasada
        MVI B, 0        ; B <> 0 si hubo intercambio
COMPARA: MOV A, M
        INX H
        CMP M           ; A - siguiente
        JC NOCAMBIA     ; ya estan en orden
        JZ NOCAMBIA
        MOV D, M        ; intercambio
        MOV M, A
        DCX H
        MOV M, D
        INX H
        MVI B, 1
NOCAMBIA: DCR C
        JNZ COMPARA
        MOV A, B
        ORA A
        JNZ PASADA      ; otra pasada si algo cambio
        HLT

LISTA:  DFB 9, 3, 200, 7, 0, 45
