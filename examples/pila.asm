; Subrutina con la pila: RETARDO guarda los registros que usa,
; cuenta hasta cero y los recupera antes de volver.

	ORG 0
	LXI SP, 2000H
	MVI B, 0AAH
	LXI D, 1234H
	MVI A, 3
REPITE:	CALL RETARDO
	DCR A
	JNZ REPITE
	HLT			; B y DE siguen intactos

; RETARDO: espera B*C vueltas sin cambiar ningun registro
RETARDO: PUSH PSW
	PUSH B
	PUSH D
	MVI B, 4
EXTERNO: MVI C, 10
INTERNO: DCR C
	JNZ INTERNO
	DCR B
	JNZ EXTERNO
	POP D
	POP B
	POP PSW
	RET
