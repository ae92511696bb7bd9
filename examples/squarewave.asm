; ---------------------------------------------------------------
; squarewave.asm - a square wave on PA6 from output compare 2
;
; OC2 toggles PA6 on every match (TCTL1: OM2:OL2 = 01). Its
; interrupt routine moves TOC2 on by HALF cycles, so the pin
; changes every HALF E-clock cycles without drift, whatever the
; latency of the routine: the period is 2*HALF cycles.
; The routine notes the level of PA6 after each edge in LOG and
; counts the edges in EDGES; after NEDGES edges the main program
; masks the interrupts and ends at done. Watch port A's panel:
; PA6 blinks while the program runs.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
PORTA	equ	$00		; offsets into the register block
TCNT	equ	$0E
TOC2	equ	$18
TCTL1	equ	$20
TMSK1	equ	$22
TFLG1	equ	$23
OC2F	equ	$40		; OC2 flag / interrupt enable (TFLG1, TMSK1)
TOGGLE2	equ	$40		; TCTL1: OC2 toggles PA6

HALF	equ	500		; cycles between two edges
NEDGES	equ	20		; edges before the end

EDGES	equ	$00		; edges so far
LOG	equ	$10		; PA6 after each edge ($40 or $00)

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	clr	EDGES
	ldaa	#TOGGLE2
	staa	TCTL1,x
	ldd	TCNT,x		; first edge HALF cycles from now
	addd	#HALF
	std	TOC2,x
	ldaa	#OC2F
	staa	TFLG1,x		; clear a stale flag (write 1)
	staa	TMSK1,x		; enable the OC2 interrupt
	cli
wait:	ldaa	EDGES
	cmpa	#NEDGES
	blo	wait
	sei
done:	bra	done

; ---- OC2: note the edge, schedule the next one ----
oc2isr:	ldaa	PORTA,x		; PA6 as the compare left it
	anda	#$40
	ldab	EDGES
	ldy	#LOG
	aby
	staa	0,y
	incb
	stab	EDGES
	ldd	TOC2,x		; next edge HALF cycles after this one
	addd	#HALF
	std	TOC2,x
	ldaa	#OC2F
	staa	TFLG1,x		; acknowledge
	rti

	org	$ffe6
	fdb	oc2isr		; TOC2
	org	$fffe
	fdb	start		; reset
