; pulsewidth.asm - the high time of a pulse on PA2, measured by input capture 1
; ---------------------------------------------------------------
; IC1 first waits for the rising edge, then for the falling edge;
; its interrupt routine stores TCNT at each and, after the second,
; the time between the two in WIDTH (in E cycles: the prescaler is 1).
; The main loop sleeps in WAI, so each edge takes effect on its own
; cycle and the width comes out exact. Then it ends at done.
;
; Run it with its stimulus file, which drives PA2 high at cycle
; 120000 and low at cycle 130000:
;   tarvik68hc11-run --stimulus pulsewidth.stim --break <done> pulsewidth.lst
; WIDTH is then 10000 = $2710. In the window, drive PA2 with the
; port A buttons instead.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
TIC1	equ	$10		; offsets into the register block
TCTL2	equ	$21
TMSK1	equ	$22
TFLG1	equ	$23
IC1F	equ	$04		; TFLG1/TMSK1: input capture 1
RISING1	equ	$10		; TCTL2: IC1 on rising edges
FALLING1 equ	$20		; TCTL2: IC1 on falling edges

RISE	equ	$00		; TCNT at the rising edge (16 bit)
WIDTH	equ	$02		; high time in E cycles (16 bit)
EDGES	equ	$04		; edges captured so far

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldd	#0
	std	WIDTH
	staa	EDGES
	ldaa	#RISING1
	staa	TCTL2,x		; capture the rising edge first
	ldaa	#IC1F
	staa	TFLG1,x		; clear a stale flag (write 1)
	staa	TMSK1,x		; IC1 interrupt on
	cli
sleep:	wai			; wait for an edge
	ldaa	EDGES
	cmpa	#2
	bne	sleep
done:	bra	done

ic1isr:	ldaa	#IC1F
	staa	TFLG1,x		; acknowledge
	ldd	TIC1,x		; TCNT at the edge
	tst	EDGES
	bne	second
	std	RISE
	ldaa	#FALLING1
	staa	TCTL2,x		; now the falling edge
	inc	EDGES
	rti
second:	subd	RISE
	std	WIDTH
	clr	TCTL2,x		; no more captures
	clr	TMSK1,x
	inc	EDGES
	rti

	org	$ffee
	fdb	ic1isr		; IC1
	org	$fffe
	fdb	start		; reset
