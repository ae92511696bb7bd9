; ports.asm - copies the pins of ports A, C, D and E into RAM at $0000..$0003.
	cpu	6811

REGS	equ	$1000

	org	$e000
start:	ldx	#REGS
	ldaa	$00,x		; PORTA
	staa	$00
	ldaa	$03,x		; PORTC
	staa	$01
	ldaa	$08,x		; PORTD
	staa	$02
	ldaa	$0a,x		; PORTE
	staa	$03
done:	bra	done

	org	$fffe
	fdb	start
