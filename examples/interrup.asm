; Rutina de interrupcion RST 7.5 con SIM y RIM.
; El programa principal cuenta en el puerto 10H; cada interrupcion
; RST 7.5 incrementa VECES y copia la linea SID en SOD.

	ORG 0000H
	JMP PRINCIPAL

	ORG 003CH		; vector de RST 7.5
	JMP RUT75

	ORG 0100H
PRINCIPAL: LXI SP, 0F000H
	MVI A, 00001011B	; MSE=1, mascara: 7.5 habilitada, 6.5 y 5.5 enmascaradas
	SIM
	EI
	MVI B, 0
CUENTA:	INR B
	MOV A, B
	OUT 10H
	JMP CUENTA

RUT75:	PUSH PSW
	LDA VECES
	INR A
	STA VECES
	RIM			; estado de las interrupciones y de SID
	ANI 80H			; bit 7: linea SID
	ORI 50H			; SOE=1: el bit 7 va a SOD; R7.5=1: borra el biestable
	SIM
	POP PSW
	EI			; sin el borrado, EI volveria a tomar RST 7.5
	RET

VECES:	DFB 0
