; ---------------------------------------------------------------
; pulsewidth.asm - the high time of a pulse on PA2, by IC1
;
; Input capture 1 latches TCNT at the selected edge of PA2 (TCTL2
; EDG1B:EDG1A: 01 rising, 10 falling) and raises IC1F. The program
; waits for a rising edge, keeps its time in RISE, then waits for
; the falling edge and stores the time between the two in WIDTH
; (E-clock cycles, prescaler 1; correct across a TCNT overflow for
; pulses shorter than 65536 cycles). Then it ends at done.
;
; The pulse comes from outside: PA2 in port A's panel, or the
; stimulus file pulsewidth.stim (PA2 high at cycle 120000, low at
; cycle 130000: WIDTH = 10000 = $2710, give or take the few cycles
; by which each edge waits for the next instruction boundary).
; Without a pulse the program waits at wait1 forever.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
TIC1	equ	$10		; offsets into the register block
TCTL2	equ	$21
TFLG1	equ	$23
IC1F	equ	$04		; TFLG1: input capture 1
RISING1	equ	$10		; TCTL2: IC1 on rising edges
FALLING1 equ	$20		; TCTL2: IC1 on falling edges

RISE	equ	$00		; TCNT at the rising edge (16 bit)
WIDTH	equ	$02		; high time in E cycles (16 bit)

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldd	#0
	std	WIDTH
	ldaa	#RISING1
	staa	TCTL2,x
	ldaa	#IC1F
	staa	TFLG1,x		; clear a stale flag (write 1)
wait1:	brclr	TFLG1,x,#IC1F,wait1
	ldd	TIC1,x		; time of the rising edge
	std	RISE
	ldaa	#FALLING1
	staa	TCTL2,x
	ldaa	#IC1F
	staa	TFLG1,x
wait2:	brclr	TFLG1,x,#IC1F,wait2
	ldd	TIC1,x		; time of the falling edge
	subd	RISE
	std	WIDTH
done:	bra	done

	org	$fffe
	fdb	start		; reset
