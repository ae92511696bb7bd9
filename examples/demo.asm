; ---------------------------------------------------------------
; demo.asm - the real-time interrupt at work
;
; The real-time interrupt (RTI) runs at its reset rate, one
; interrupt every 8192 E-clock cycles.  Its service routine counts
; the interrupts in TICKS and shows the count:
;   port B        the low byte of TICKS: PB0 blinks on every
;                 interrupt, PB1 on every second one, ... PB7 on
;                 every 128th
;   port A 3..6   a running light that moves on every 16th interrupt
; Meanwhile the main program counts its rounds in ROUNDS and copies
; the input pins of port E (try the port E buttons) to the six
; output pins of port D.  It runs until stopped.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
PORTA	equ	$00		; offsets into the register block
PORTB	equ	$04
PORTD	equ	$08
DDRD	equ	$09
PORTE	equ	$0A
TMSK2	equ	$24
TFLG2	equ	$25
RTIF	equ	$40		; RTI flag / enable bit

TICKS	equ	$00		; interrupts counted (16 bit)
ROUNDS	equ	$02		; rounds of the main loop (16 bit)
LIGHT	equ	$04		; running light: $08, $10, $20 or $40
LASTE	equ	$05		; port E pins last copied to port D

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldd	#0
	std	TICKS
	std	ROUNDS
	clr	PORTB,x		; port B: all pins low
	ldaa	#$08
	staa	LIGHT
	staa	PORTA,x		; the light starts at PA3
	ldaa	#$3f
	staa	DDRD,x		; port D: six outputs
	ldaa	#$ff
	staa	LASTE		; no port E value copied yet
	ldaa	#RTIF
	staa	TFLG2,x		; clear a pending RTI flag (write 1)
	bset	TMSK2,x,#RTIF	; enable the RTI
	cli

idle:	ldy	ROUNDS		; count the rounds
	iny
	sty	ROUNDS
	ldaa	PORTE,x		; copy port E to port D when it changed
	anda	#$3f
	cmpa	LASTE
	beq	idle
	staa	LASTE
	staa	PORTD,x
	bra	idle

; ---- real-time interrupt service routine ----
rtiisr:	ldx	#REGS
	ldaa	#RTIF
	staa	TFLG2,x		; acknowledge the interrupt
	ldd	TICKS
	addd	#1
	std	TICKS
	stab	PORTB,x		; port B shows the low byte
	andb	#$0f		; every 16th interrupt:
	bne	rtiend
	ldaa	LIGHT		; move the light one pin up
	asla
	cmpa	#$80		; past PA6: back to PA3
	bne	light1
	ldaa	#$08
light1:	staa	LIGHT
	staa	PORTA,x
rtiend:	rti

unused:	bra	unused		; trap for unexpected interrupts

; ---- interrupt vector table ----
	org	$ffd6
	fdb	unused,unused,unused,unused,unused	; SCI SPI PAI PAOV TOF
	fdb	unused,unused,unused,unused,unused	; TOC5..TOC1
	fdb	unused,unused,unused			; TIC3..TIC1
	fdb	rtiisr		; RTI
	fdb	unused		; IRQ
	fdb	unused		; XIRQ
	fdb	unused		; SWI
	fdb	unused		; illegal opcode
	fdb	unused		; COP failure
	fdb	unused		; clock monitor
	fdb	start		; reset
