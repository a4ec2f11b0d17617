; Espejo: copia en el puerto 01 (los LED) cada valor que lee del puerto 00
; (los interruptores), hasta leer un 00.

	ORG 0000H
OTRO:	IN 00H
	ORA A
	JZ FIN			; un 00 termina
	OUT 01H
	JMP OTRO
FIN:	HLT
