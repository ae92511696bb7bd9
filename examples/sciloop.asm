; ---------------------------------------------------------------
; sciloop.asm - benchmark: prints over the SCI without end
;
; 9600 baud at 2 MHz, 8 data bits. Sends TEXT again and again,
; polling TDRE before each byte; LINES counts the lines sent.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
BAUD	equ	$2B		; offsets into the register block
SCCR1	equ	$2C
SCCR2	equ	$2D
SCSR	equ	$2E
SCDR	equ	$2F
TDRE	equ	$80		; SCSR
TE	equ	$08		; SCCR2
B9600	equ	$30		; BAUD: SCP = 3, SCR = 0

LINES	equ	$00		; lines sent (16 bit)

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#B9600
	staa	BAUD,x
	clr	SCCR1,x
	ldaa	#TE
	staa	SCCR2,x
	ldd	#0
	std	LINES
line:	ldy	#text
next:	ldab	0,y
	beq	eol
wait:	brclr	SCSR,x,#TDRE,wait
	stab	SCDR,x
	iny
	bra	next
eol:	ldd	LINES
	addd	#1
	std	LINES
	bra	line

text:	fcc	"Der schnelle braune Fuchs springt ueber den faulen Hund."
	fcb	13,10,0

	org	$fffe
	fdb	start		; reset
