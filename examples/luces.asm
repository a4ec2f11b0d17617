; Luces y contador en tiempo real: los LED del puerto 01 parpadean una vez por
; segundo y los dos displays de 7 segmentos (puertos 02 decenas, 03 unidades)
; cuentan los segundos de 00 a 99.
; Abra la ventana Dispositivos (disposicion por defecto) y elija la velocidad
; "Tiempo real" a 3.072 MHz: cada vuelta del bucle dura 3072000 estados T.

	ORG 0000H
INICIO:	LXI SP, 0F000H
	MVI B, 0		; la cuenta, en BCD
BUCLE:	MOV A, B
	CALL MUESTRA
	MVI A, 0FFH		; LED encendidos medio segundo
	OUT 01H
	CALL MEDIO
	XRA A			; LED apagados medio segundo
	OUT 01H
	CALL MEDIO
	MOV A, B
	ADI 1
	DAA			; 09 + 1 = 10, 99 + 1 = 00
	MOV B, A
	JMP BUCLE

; Escribe la cuenta de A en los displays: decenas en el 02, unidades en el 03.
MUESTRA: PUSH PSW
	RRC
	RRC
	RRC
	RRC
	CALL SEGMENTOS
	OUT 02H
	POP PSW
	CALL SEGMENTOS
	OUT 03H
	RET

; Los segmentos de la cifra de los 4 bits bajos de A (a-g en los bits 0-6).
SEGMENTOS: LXI H, TABLA
	ANI 0FH
	ADD L			; la tabla no cruza una pagina: H no cambia
	MOV L, A
	MOV A, M
	RET

; Medio segundo: 24 estados T por vuelta. Cada vuelta del bucle principal
; dura 362 + 48 x RETARDO estados T; con F9F8H (63992) son 3071978,
; un segundo a 3.072 MHz.
MEDIO:	LHLD RETARDO
OTRA:	DCX H
	MOV A, H
	ORA L
	JNZ OTRA
	RET

RETARDO: DFW 0F9F8H

	ORG 0100H
TABLA:	DFB 3FH, 06H, 5BH, 4FH, 66H, 6DH, 7DH, 07H, 7FH, 6FH
