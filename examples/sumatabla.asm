; Suma de una tabla de bytes
; Deja en TOTAL (16 bits) la suma de los N bytes de TABLA.

	ORG 0
N:	EQU 8

INICIO:	LXI H, TABLA	; HL apunta al primer elemento
	MVI C, N	; C cuenta los elementos que quedan
	LXI D, 0	; DE acumula la suma
BUCLE:	MOV A, M
	ADD E
	MOV E, A
	MVI A, 0
	ADC D		; el acarreo pasa al byte alto
	MOV D, A
	INX H
	DCR C
	JNZ BUCLE
	XCHG
	SHLD TOTAL
	HLT

TABLA:	DFB 12H, 34H, 56H, 78H, 9AH, 0BCH, 0DEH, 0F0H
TOTAL:	DFW 0
	END
