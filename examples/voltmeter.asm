; voltmeter.asm - converts the voltage at PE0 and prints it over the SCI
; ---------------------------------------------------------------
; Sets the SCI to 9600 baud at 2 MHz (8 data bits) and turns the
; transmitter on. Powers the A/D converter up (ADPU in OPTION),
; waits the 100 us the charge pump needs, then starts one sequence
; on channel 0 (SCAN and MULT clear: four conversions of PE0) and
; waits for CCF. ADR1 is the result: 0 V gives $00, 5 V gives $FF
; (VRL = 0 V, VRH = 5 V). From it the program computes the voltage
; in hundredths of a volt, rounded: (VALUE * 100 + 25) / 51, since
; 5 V / 255 = 1/51 V, writes it as text "d.dd" ending in 0, and
; prints the line "PE0 = $80  2.51 V" with CR LF, polling TDRE.
; At the end it waits for TC (the last stop bit has left the line).
;
; Run it with a voltage at PE0:
;   tarvik68hc11-run --analog PE0=2.5 --sci-out - --break <done> voltmeter.lst
; 2.5 V converts to $80; CENTI is then 251 and TEXT "2.51".
; In the window, set PE0 in the Analogeingaenge window and watch
; the Terminal.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
BAUD	equ	$2B		; offsets into the register block
SCCR1	equ	$2C
SCCR2	equ	$2D
SCSR	equ	$2E
SCDR	equ	$2F
ADCTL	equ	$30
ADR1	equ	$31
OPTION	equ	$39
TDRE	equ	$80		; SCSR
TC	equ	$40
TE	equ	$08		; SCCR2
B9600	equ	$30		; BAUD: SCP = 3, SCR = 0
ADPU	equ	$80		; OPTION: A/D power up
CCF	equ	$80		; ADCTL: conversions complete

VALUE	equ	$00		; converter result (8 bit)
CENTI	equ	$01		; hundredths of a volt (16 bit)
TEXT	equ	$03		; "d.dd" and a 0 byte
REST	equ	$08		; scratch (16 bit)

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#B9600
	staa	BAUD,x
	clr	SCCR1,x		; 8 data bits
	ldaa	#TE
	staa	SCCR2,x		; transmitter on: an idle frame first
	ldaa	OPTION,x
	oraa	#ADPU
	staa	OPTION,x	; converter on
	ldab	#50		; 50 x 5 cycles: over 100 us at 2 MHz
delay:	decb
	bne	delay
	clr	ADCTL,x		; channel 0, four conversions
wait:	brclr	ADCTL,x,#CCF,wait
	ldab	ADR1,x
	stab	VALUE
	ldaa	#100
	mul			; D = VALUE * 100
	addd	#25		; round to the nearest hundredth
	ldx	#51
	idiv			; X = hundredths of a volt
	stx	CENTI
	xgdx
	ldx	#100
	idiv			; X = volts, D = hundredths left
	std	REST
	xgdx
	addb	#'0'
	stab	TEXT
	ldaa	#'.'
	staa	TEXT+1
	ldd	REST
	ldx	#10
	idiv			; X = tenths, D = hundredths
	addb	#'0'
	stab	TEXT+3
	xgdx
	addb	#'0'
	stab	TEXT+2
	clr	TEXT+4
; the line: "PE0 = $", two hex digits, two blanks, TEXT, " V", CR LF
	ldy	#head
	bsr	puts
	ldaa	VALUE
	lsra
	lsra
	lsra
	lsra
	bsr	puthex		; high digit
	ldaa	VALUE
	bsr	puthex		; low digit
	ldy	#gap
	bsr	puts
	ldy	#TEXT
	bsr	puts
	ldy	#tail
	bsr	puts
	ldx	#REGS
flush:	brclr	SCSR,x,#TC,flush
done:	bra	done

; puts: sends the 0-terminated text at Y; Y ends at the 0
puts:	ldab	0,y
	beq	putsx
	bsr	putc
	iny
	bra	puts
putsx:	rts

; puthex: sends the low four bits of A as a hex digit
puthex:	anda	#$0f
	adda	#'0'
	cmpa	#'9'
	bls	digit
	adda	#7		; 'A' to 'F'
digit:	tab
; putc: sends B as soon as the transmit data register is free
putc:	ldx	#REGS
txwait:	brclr	SCSR,x,#TDRE,txwait
	stab	SCDR,x
	rts

head:	fcc	"PE0 = $"
	fcb	0
gap:	fcc	"  "
	fcb	0
tail:	fcc	" V"
	fcb	13,10,0

	org	$fffe
	fdb	start
