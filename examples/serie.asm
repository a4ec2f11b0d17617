; Consola serie por SOD y SID, como el monitor de un kit de entrenamiento:
; escribe HOLA y despues devuelve cada caracter que se teclea (eco).
; Abra la ventana Dispositivos y anada una "Consola serie" a 9600 baudios,
; 8N1 u 8N2, reloj 3.072 MHz: un bit dura 320 estados T.
; Cada caracter: bit de inicio (0), 8 bits de datos empezando por el bit 0 y
; bits de parada (1). SOD se escribe con SIM (bit 6 = 1, el nivel en el bit 7);
; SID se lee con RIM (bit 7).

	ORG 0000H
INICIO:	LXI SP, 0F000H
	MVI A, 0C0H		; linea en reposo (1) antes del primer caracter
	SIM
	LXI H, SALUDO
OTRO:	MOV A, M
	ORA A
	JZ ECO			; fin del texto
	CALL ENVIA
	INX H
	JMP OTRO

ECO:	CALL RECIBE
	CALL ENVIA
	CPI 0DH			; tras un retorno de carro, tambien salto de linea
	JNZ ECO
	MVI A, 0AH
	CALL ENVIA
	JMP ECO

; Envia el caracter de A por SOD. Cada bit dura 76 + 14 x 17 + 4 = 318
; estados T (9600 baudios a 3.072 MHz son 320).
ENVIA:	PUSH PSW
	PUSH B
	PUSH D
	MOV C, A
	MVI A, 40H		; bit de inicio: SOD a 0
	SIM
	MVI B, 8
	MVI A, 0		; con este MVI y el NOP, el bit de inicio dura
	NOP			; lo mismo que los de datos
	MVI D, 17
	CALL ESPERA
EBIT:	MOV A, C
	RRC			; el bit siguiente, en el bit 7
	MOV C, A
	ANI 80H
	ORI 40H
	SIM
	MVI D, 17
	CALL ESPERA
	NOP
	DCR B
	JNZ EBIT
	MVI A, 0C0H		; bits de parada: SOD a 1 durante dos bits,
	SIM			; que vale para 8N1 y para 8N2
	MVI D, 40
	CALL ESPERA
	POP D
	POP B
	POP PSW
	RET

; Espera a un caracter por SID y lo devuelve en A. Tras ver el bit de
; inicio espera medio bit, comprueba que sigue a 0 y lee cada bit en su
; mitad, uno cada 66 + 14 x 18 = 318 estados T.
RECIBE:	PUSH B
	PUSH D
RESPERA: RIM
	ORA A			; S = SID
	JM RESPERA		; linea en reposo
	MVI D, 8		; medio bit
	CALL ESPERA
	RIM
	ORA A
	JM RESPERA		; solo era un pico
	MVI B, 8
	MVI C, 0
RBIT:	MVI D, 18
	CALL ESPERA
	RIM
	RAL			; CY = SID
	MOV A, C
	RAR			; entra por el bit 7; el primero acaba en el bit 0
	MOV C, A
	DCR B
	JNZ RBIT
	MOV A, C
	POP D
	POP B
	RET

; 14 x D + 7 estados T, sin contar el CALL.
ESPERA:	DCR D
	JNZ ESPERA
	RET

SALUDO:	DFB 48H, 4FH, 4CH, 41H, 0DH, 0AH, 0	; HOLA, CR, LF
