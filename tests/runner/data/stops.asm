; stops.asm - small programs that end the runner's run in its different ways.
; Each starts at its own label; the reset vector points at "steps".
	cpu	6811

	org	$e000
steps:	lds	#$00ff		; a loop that never ends by itself
	clra
loop:	inca
	staa	$00
	bra	loop

opcode:	ldaa	#$55		; $41 is no 68HC11 opcode
	fcb	$41
	bra	*

prefix:	ldab	#$66		; a prefix byte after a prefix
	fcb	$18,$18
	bra	*

ioread:	ldaa	#$77		; offset $01 of the register block is reserved
	ldab	$1001
	bra	*

done:	bra	done

halt:	stop			; with S clear the clock stops
	bra	*

wait:	sei			; every interrupt masked: nothing can end the wait
	wai
	bra	*

	org	$fffe
	fdb	steps
