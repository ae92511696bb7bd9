; ---------------------------------------------------------------
; hellointr.asm - "Hallo, Welt" over the SCI, by interrupt
;
; Sets the SCI to 9600 baud at 2 MHz, turns the transmitter on
; with its TDRE interrupt (TIE) and sleeps in WAI. The SCI
; interrupt routine (vector $FFD6) reads SCSR and writes the next
; byte of TEXT to SCDR, which clears TDRE; after the last byte it
; turns TIE off and sets FIN. The main program then waits for TC
; (the last stop bit has left the line). SENT counts the bytes
; sent. Ends at done.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
BAUD	equ	$2B		; offsets into the register block
SCCR1	equ	$2C
SCCR2	equ	$2D
SCSR	equ	$2E
SCDR	equ	$2F
TC	equ	$40		; SCSR
TIE	equ	$80		; SCCR2
TE	equ	$08
B9600	equ	$30		; BAUD: SCP = 3, SCR = 0

PTR	equ	$00		; next byte of TEXT (16 bit)
SENT	equ	$02		; bytes sent
FIN	equ	$03		; 1 when the last byte is in SCDR

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#B9600
	staa	BAUD,x
	clr	SCCR1,x		; 8 data bits
	ldd	#text
	std	PTR
	clr	SENT
	clr	FIN
	ldaa	#TE+TIE
	staa	SCCR2,x		; TDRE is 1: the first interrupt comes at once
	cli
sleep:	wai
	tst	FIN
	beq	sleep
flush:	brclr	SCSR,x,#TC,flush
	ldaa	SENT
done:	bra	done

; ---- SCI: the next byte, or TIE off after the last ----
sciisr:	ldx	#REGS
	ldaa	SCSR,x		; first step of clearing TDRE
	ldy	PTR
	ldab	0,y
	beq	last
	stab	SCDR,x		; second step: TDRE is 0 until the byte moves on
	iny
	sty	PTR
	inc	SENT
	rti
last:	bclr	SCCR2,x,#TIE
	ldaa	#1
	staa	FIN
	rti

text:	fcc	"Hallo, Welt"
	fcb	13,10,0

unused:	bra	unused		; trap for unexpected interrupts

	org	$ffd6
	fdb	sciisr,unused,unused,unused,unused	; SCI SPI PAI PAOV TOF
	fdb	unused,unused,unused,unused,unused	; TOC5 TOC4 TOC3 TOC2 TOC1
	fdb	unused,unused,unused			; TIC3..TIC1
	fdb	unused,unused,unused,unused		; RTI IRQ XIRQ SWI
	fdb	unused,unused,unused			; illegal opcode, COP, clock monitor
	fdb	start		; reset
