; spi.asm - sends four bytes over the SPI as master, stores the answers
; ---------------------------------------------------------------
; PD5 (SS), PD4 (SCK) and PD3 (MOSI) are outputs, so SS is a plain
; output and no mode fault can occur. SPCR = $51: SPI on, master,
; SCK = E/4 (32 E cycles a byte). For each byte of SENDTAB the
; program writes SPDR, waits for SPIF (the BRCLR reads SPSR), then
; reads SPDR, which clears SPIF, and stores the byte shifted in at
; RECV. COUNT counts the transfers.
;
; With nothing connected every answer is $FF:
;   tarvik68hc11-run --break <done> spi.lst
; With a slave that answers from a file, and the sent bytes saved:
;   tarvik68hc11-run --spi-in answers.bin --spi-out sent.bin ...
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
DDRD	equ	$09		; offsets into the register block
SPCR	equ	$28
SPSR	equ	$29
SPDR	equ	$2A
SPIF	equ	$80		; SPSR: transfer complete

RECV	equ	$00		; the four answers
COUNT	equ	$04		; transfers done

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#$38
	staa	DDRD,x		; SS, SCK, MOSI outputs
	ldaa	#$51
	staa	SPCR,x		; SPI on, master, E/4
	clr	COUNT
	ldy	#SENDTAB
loop:	ldaa	0,y
	staa	SPDR,x		; start the transfer
wait:	brclr	SPSR,x,#SPIF,wait
	ldaa	SPDR,x		; the answer; clears SPIF
	ldab	COUNT
	pshx
	ldx	#RECV
	abx
	staa	0,x
	pulx
	inc	COUNT
	iny
	ldab	COUNT
	cmpb	#4
	bne	loop
done:	bra	done

SENDTAB	fcb	$9F,$01,$02,$03

	org	$fffe
	fdb	start
