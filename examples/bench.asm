; ---------------------------------------------------------------
; bench.asm - long-running benchmark: a mix of everyday 68HC11 work
;
; Each of NROUNDS rounds calls six routines through a jump table:
;   fill    BUF := 256 bytes from a 16-bit xorshift generator (SEED)
;   crcbuf  CRC := CRC-16/CCITT of BUF (polynomial $1021, start
;           $FFFF, bit by bit); CRCX := CRCX xor CRC
;   wsum    SUM := SUM + BUF[i] * WEIGHTS[i mod 16] (MUL, 24 bit,
;           wraps)
;   sort    SORTED := the first NSORT bytes of BUF, insertion-sorted
;   cntodd  ODDS := ODDS + number of odd bytes in BUF (BRCLR)
;   todec   DIGITS := CRC in decimal, five ASCII digits (IDIV)
; About 28 million E-clock cycles in all; ends at "done".
; ---------------------------------------------------------------
	cpu	6811

NROUNDS	equ	300		; rounds of the benchmark
NSORT	equ	64		; bytes sorted per round
BUF	equ	$2000		; 256 pseudo-random bytes
SORTED	equ	$2100		; NSORT sorted bytes

SEED	equ	$00		; xorshift state (16 bit)
CRC	equ	$02		; CRC of BUF in the last round (16 bit)
CRCX	equ	$04		; xor of the CRCs of all rounds (16 bit)
SUMH	equ	$06		; weighted sum, 24 bit: SUMH and SUML
SUML	equ	$07
ODDS	equ	$09		; odd bytes of all rounds (16 bit)
ROUNDS	equ	$0B		; completed rounds (16 bit)
DIGITS	equ	$10		; five ASCII digits and a NUL

	org	$e000
start:	lds	#$00ff
	ldd	#$ace1
	std	SEED
	ldd	#0
	std	CRCX
	std	ODDS
	std	ROUNDS
	staa	SUMH
	std	SUML

round:	ldy	#phases		; call the six routines in turn
phase:	ldx	0,y
	pshy
	jsr	0,x
	puly
	iny
	iny
	cpy	#phases+12
	bne	phase
	ldx	ROUNDS
	inx
	stx	ROUNDS
	cpx	#NROUNDS
	blo	round
	ldd	CRC
	ldx	ROUNDS
	ldy	ODDS
done:	bra	done

phases:	fdb	fill,crcbuf,wsum,sort,cntodd,todec

; ---- BUF := 128 pseudo-random words ----
fill:	ldx	#BUF
fill1:	bsr	rand
	std	0,x
	inx
	inx
	cpx	#BUF+256
	bne	fill1
	rts

; xorshift16 (7, 9, 8): SEED := next state; D := SEED
rand:	ldd	SEED		; x := x xor (x << 7)
	lsrd			;   high byte: bits 1..8 of x,
	tba			;   low byte: bit 0 of x as bit 7
	ldab	#0
	bcc	rand1
	ldab	#$80
rand1:	eora	SEED
	eorb	SEED+1
	std	SEED
	tab			; x := x xor (x >> 9)
	clra
	lsrb
	eora	SEED
	eorb	SEED+1
	std	SEED
	eora	SEED+1		; x := x xor (x << 8)
	std	SEED
	rts

; ---- CRC := CRC-16/CCITT of BUF; CRCX := CRCX xor CRC ----
crcbuf:	ldd	#$ffff
	ldx	#BUF
crc1:	bsr	crcbyte
	inx
	cpx	#BUF+256
	bne	crc1
	std	CRC
	eora	CRCX
	eorb	CRCX+1
	std	CRCX
	rts

; D := the CRC in D updated with the byte at 0,x
crcbyte:
	eora	0,x
	ldy	#8
crcb1:	asld
	bcc	crcb2
	eora	#$10
	eorb	#$21
crcb2:	dey
	bne	crcb1
	rts

; ---- SUM := SUM + BUF[i] * WEIGHTS[i mod 16] ----
wsum:	ldx	#BUF
ws0:	ldy	#weights
ws1:	ldaa	0,x
	ldab	0,y
	mul
	addd	SUML
	std	SUML
	bcc	ws2
	inc	SUMH
ws2:	inx
	cpx	#BUF+256
	beq	ws3
	iny
	cpy	#weights+16
	bne	ws1
	bra	ws0
ws3:	rts

weights:
	fcb	1,3,5,7,11,13,17,19,23,29,31,37,41,43,47,53

; ---- SORTED := the first NSORT bytes of BUF, sorted ----
sort:	ldx	#BUF
	ldy	#SORTED
sc1:	ldaa	0,x
	staa	0,y
	inx
	iny
	cpy	#SORTED+NSORT
	bne	sc1
	ldx	#SORTED+1	; X -> the element to insert
si1:	ldab	0,x		; B = key
	pshx
si2:	dex
	ldaa	0,x
	cba
	bls	si3		; smaller or equal element found: insert after it
	staa	1,x		; move the greater element up
	cpx	#SORTED
	bne	si2
	stab	0,x		; the key is the smallest so far
	bra	si4
si3:	stab	1,x
si4:	pulx
	inx
	cpx	#SORTED+NSORT
	bne	si1
	rts

; ---- ODDS := ODDS + number of odd bytes in BUF ----
cntodd:	ldx	#BUF
	ldy	ODDS
od1:	brclr	0,x,#$01,od2
	iny
od2:	inx
	cpx	#BUF+256
	bne	od1
	sty	ODDS
	rts

; ---- DIGITS := CRC in decimal ----
todec:	ldd	CRC
	ldy	#DIGITS+5
	clr	DIGITS+5
td1:	ldx	#10
	idiv			; X := D / 10, D := D mod 10
	addb	#'0'
	dey
	stab	0,y
	xgdx
	cpy	#DIGITS
	bne	td1
	rts

unused:	bra	unused		; trap for unexpected interrupts

	org	$ffd6
	fdb	unused,unused,unused,unused,unused	; SCI SPI PAI PAOV TOF
	fdb	unused,unused,unused,unused,unused	; TOC5..TOC1
	fdb	unused,unused,unused			; TIC3..TIC1
	fdb	unused,unused,unused,unused		; RTI IRQ XIRQ SWI
	fdb	unused,unused,unused			; illegal opcode, COP, clock monitor
	fdb	start		; reset
