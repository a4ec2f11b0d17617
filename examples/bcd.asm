; Suma BCD de dos numeros de 4 digitos (2 bytes, el menos significativo primero)
; con DAA despues de cada suma.

	ORG 100H
	LXI H, NUM1
	LXI D, NUM2
	LXI B, SUMA
	MVI A, 2
	STA CUENTA
	STC
	CMC			; sin acarreo al empezar
OTRO:	LDAX D
	ADC M			; suma binaria con el acarreo anterior
	DAA			; ajuste decimal
	STAX B
	INX H
	INX D
	INX B
	LDA CUENTA
	DCR A
	STA CUENTA
	JZ FIN
	JMP OTRO		; LDA, DCR y STA no tocan el acarreo
FIN:	HLT

NUM1:	DFB 47H, 38H		; 3847
NUM2:	DFB 85H, 29H		; 2985
SUMA:	DFB 0, 0		; 6832
CUENTA:	DFB 0
