; ---------------------------------------------------------------
; hello.asm - "Hallo, Welt" over the SCI, by polling
;
; Sets the SCI to 9600 baud at 2 MHz (SCP1:SCP0 = 3: divide by
; 13, SCR2:SCR0 = 0), 8 data bits, turns the transmitter on and
; sends TEXT byte by byte: each time TDRE says the transmit data
; register is free (reading SCSR with TDRE set, then writing SCDR
; clears it). SENT counts the bytes sent. At the end it waits for
; TC: the last stop bit has left the line. Ends at done.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
BAUD	equ	$2B		; offsets into the register block
SCCR1	equ	$2C
SCCR2	equ	$2D
SCSR	equ	$2E
SCDR	equ	$2F
TDRE	equ	$80		; SCSR
TC	equ	$40
TE	equ	$08		; SCCR2
B9600	equ	$30		; BAUD: SCP = 3, SCR = 0

SENT	equ	$00		; bytes sent

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#B9600
	staa	BAUD,x
	clr	SCCR1,x		; 8 data bits
	ldaa	#TE
	staa	SCCR2,x		; transmitter on: an idle frame first
	clr	SENT
	ldy	#text
next:	ldab	0,y		; B := next byte; 0 ends the text
	beq	flush
wait:	brclr	SCSR,x,#TDRE,wait
	stab	SCDR,x
	inc	SENT
	iny
	bra	next
flush:	brclr	SCSR,x,#TC,flush
	ldaa	SENT
done:	bra	done

text:	fcc	"Hallo, Welt"
	fcb	13,10,0

	org	$fffe
	fdb	start		; reset
