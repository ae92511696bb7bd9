; ---------------------------------------------------------------
; paevent.asm - an event counter with the pulse accumulator
;
; The pulse accumulator counts rising edges on PA7 (PACTL: PAEN,
; PEDGE = 1, event counting). Every counted edge raises PAIF; the
; routine of the PAI interrupt copies PACNT to COUNT and counts the
; edges in EVENTS as well. PACNT starts at -GROUP, so the GROUP-th
; edge takes it from $FF to $00: the PAOV interrupt counts the
; groups in GROUPS and starts the next group at -GROUP again.
;
; First a self-test without outside help: with PA7 an output
; (DDRA7 = 1) the pin still feeds the pulse accumulator, so three
; pulses written to PORTA count three events (SELFT). Then PA7
; becomes an input and the program idles at done with the
; interrupts enabled.
;
; The edges come from you: click PA7 in port A's panel (0 -> 1
; counts), or give the runner a stimulus file with lines such as
;   50000  PA7=1
;   60000  PA7=0
; Without edges COUNT, EVENTS and GROUPS stay 0.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
PORTA	equ	$00		; offsets into the register block
TMSK2	equ	$24
TFLG2	equ	$25
PACTL	equ	$26
PACNT	equ	$27
PAOVF	equ	$20		; TFLG2 / TMSK2
PAIF	equ	$10
DDRA7	equ	$80		; PACTL
PAEN	equ	$40
PEDGE	equ	$10

GROUP	equ	10		; edges per group (PAOV interrupt)

SELFT	equ	$00		; PACNT after the self-test's three pulses
COUNT	equ	$01		; PACNT at the last edge
EVENTS	equ	$02		; edges counted (16 bit)
GROUPS	equ	$04		; groups of GROUP edges

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldd	#0
	std	EVENTS
	staa	COUNT
	staa	GROUPS
	staa	PORTA,x		; PA7 low before it becomes an output
	ldaa	#DDRA7+PAEN+PEDGE
	staa	PACTL,x		; PA7 output, count rising edges
	clr	PACNT,x
	ldab	#3
pulse:	bset	PORTA,x,#$80	; a rising edge: counted
	bclr	PORTA,x,#$80
	decb
	bne	pulse
	ldaa	PACNT,x
	staa	SELFT
	ldaa	#PAEN+PEDGE
	staa	PACTL,x		; PA7 an input from now on
	ldaa	#-GROUP
	staa	PACNT,x
	ldaa	#PAOVF+PAIF
	staa	TFLG2,x		; clear the self-test's flags (write 1s)
	staa	TMSK2,x		; enable both interrupts
	cli
done:	bra	done		; idle; the interrupts count

; ---- PAI: one more edge ----
paiisr:	ldaa	PACNT,x
	staa	COUNT
	ldd	EVENTS
	addd	#1
	std	EVENTS
	ldaa	#PAIF
	staa	TFLG2,x
	rti

; ---- PAOV: a group of GROUP edges is complete ----
paovisr:
	inc	GROUPS
	ldaa	#-GROUP
	staa	PACNT,x
	ldaa	#PAOVF
	staa	TFLG2,x
	rti

	org	$ffda
	fdb	paiisr		; PAI
	fdb	paovisr		; PAOV
	org	$fffe
	fdb	start		; reset
