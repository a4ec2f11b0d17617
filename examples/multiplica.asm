; Multiplicacion de dos numeros de 8 bits por desplazamiento y suma
; Resultado de 16 bits en PRODUC.

        org 200h
inicio: lxi sp, 0fff0h
        lda factor1
        mov e, a
        mvi d, 0        ; DE = multiplicando
        lda factor2     ; A = multiplicador
        lxi h, 0        ; HL = producto
        mvi b, 8        ; ocho bits
otro:   dad h           ; producto * 2
        ral             ; bit alto del multiplicador al acarreo
        jnc sigue
        dad d           ; si era 1, se suma el multiplicando
sigue:  dcr b
        jnz otro
        shld produc
        hlt

factor1: dfb 25
factor2: dfb 11
produc:  dfw 0
