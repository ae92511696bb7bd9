; wait.asm - an interrupt-driven main loop that sleeps in WAI. The real-time interrupt (one
; every 8192 E cycles) wakes it 2000 times, about 16.4 million cycles in all; then it ends at
; done. The benchmark of a program that spends its time waiting.
	cpu	6811

REGS	equ	$1000
TMSK2	equ	$24
TFLG2	equ	$25
RTIF	equ	$40
COUNT	equ	$00		; interrupts still to come (word)

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldd	#2000
	std	COUNT
	ldaa	#RTIF
	staa	TFLG2,x		; clear a pending RTI flag (write 1)
	staa	TMSK2,x		; enable the RTI
	cli
sleep:	wai			; wait for the next interrupt
	ldd	COUNT
	bne	sleep
done:	bra	done

rtiisr:	ldaa	#RTIF
	staa	TFLG2,x		; acknowledge the interrupt
	ldd	COUNT
	subd	#1
	std	COUNT
	rti

	org	$fff0
	fdb	rtiisr
	org	$fffe
	fdb	start
