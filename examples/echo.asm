; ---------------------------------------------------------------
; echo.asm - sends back every byte the SCI receives
;
; 9600 baud at 2 MHz, 8 data bits, receiver and transmitter on.
; Waits for RDRF, reads the byte from SCDR (reading SCSR with
; RDRF set, then SCDR, clears RDRF), waits for TDRE and sends it
; back. COUNT counts the bytes echoed, LAST holds the last one.
; Runs forever.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
BAUD	equ	$2B		; offsets into the register block
SCCR1	equ	$2C
SCCR2	equ	$2D
SCSR	equ	$2E
SCDR	equ	$2F
TDRE	equ	$80		; SCSR
RDRF	equ	$20
TE	equ	$08		; SCCR2
RE	equ	$04
B9600	equ	$30		; BAUD: SCP = 3, SCR = 0

COUNT	equ	$00		; bytes echoed (16 bit)
LAST	equ	$02		; the last byte echoed

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#B9600
	staa	BAUD,x
	clr	SCCR1,x		; 8 data bits
	ldaa	#TE+RE
	staa	SCCR2,x
	ldd	#0
	std	COUNT
loop:	brclr	SCSR,x,#RDRF,loop
	ldab	SCDR,x
	stab	LAST
send:	brclr	SCSR,x,#TDRE,send
	stab	SCDR,x
	ldy	COUNT
	iny
	sty	COUNT
	bra	loop

	org	$fffe
	fdb	start		; reset
