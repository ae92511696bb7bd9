; sum.s - adds the numbers 10 down to 1 with a subroutine of sumsub.s and shows the
; sum on port B; ends at done.
;
;   m68hc11-as -g -o sum.o sum.s
;   m68hc11-as -g -o sumsub.o sumsub.s
;   m68hc11-ld --section-start .text=0xE000 --section-start .vectors=0xFFFE \
;              -o sum.elf sum.o sumsub.o
;   m68hc11-objcopy -O srec sum.elf sum.s19
;   m68hc11-objcopy -O ihex sum.elf sum.hex

	.equ	PORTB, 0x1004

	.globl	_start
	.text
_start:
	lds	#0x00FF		; stack at the top of the internal RAM
	clra
	clrb
	ldx	#10
loop:
	jsr	addx		; D = D + X
	dex
	bne	loop
	std	*sum
	stab	PORTB		; 55 on port B
done:
	bra	done

	.section .vectors,"a"
	.word	_start		; reset
