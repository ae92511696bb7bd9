; voltmeter.asm - converts the voltage at PE0 and stores it in RAM
; ---------------------------------------------------------------
; Powers the A/D converter up (ADPU in OPTION), waits the 100 us
; the charge pump needs, then starts one sequence on channel 0
; (SCAN and MULT clear: four conversions of PE0) and waits for CCF.
; ADR1 is the result: 0 V gives $00, 5 V gives $FF (VRL = 0 V,
; VRH = 5 V). From it the program computes the voltage in
; hundredths of a volt, rounded: (VALUE * 100 + 25) / 51, since
; 5 V / 255 = 1/51 V, and writes it as text "d.dd" ending in 0.
;
; Run it with a voltage at PE0:
;   tarvik68hc11-run --analog PE0=2.5 --break <done> voltmeter.lst
; 2.5 V converts to $80; CENTI is then 251 and TEXT "2.51".
; In the window, set PE0 in the Analogeingaenge window.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
ADCTL	equ	$30		; offsets into the register block
ADR1	equ	$31
OPTION	equ	$39
ADPU	equ	$80		; OPTION: A/D power up
CCF	equ	$80		; ADCTL: conversions complete

VALUE	equ	$00		; converter result (8 bit)
CENTI	equ	$01		; hundredths of a volt (16 bit)
TEXT	equ	$03		; "d.dd" and a 0 byte
REST	equ	$08		; scratch (16 bit)

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
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
done:	bra	done

	org	$fffe
	fdb	start
