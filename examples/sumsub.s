; sumsub.s - the subroutine of sum.s and its variables in the direct page.

	.globl	addx
	.globl	sum
	.text
; D = D + X; X is kept.
addx:
	stx	*tmp
	addd	*tmp
	rts

	.section .page0
sum:	.word	0		; the result
tmp:	.word	0		; addx's operand
