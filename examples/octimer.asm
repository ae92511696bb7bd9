; ---------------------------------------------------------------
; octimer.asm - benchmark: busy work under timer interrupts
;
; Two output compares interrupt every PERIOD E-clock cycles each,
; OC3 half a period after OC2; their routines move TOC2 and TOC3
; on by PERIOD (no drift) and count the interrupts in OC2CNT and
; OC3CNT. The timer overflow interrupt (one every 65536 cycles)
; counts in TOFCNT.
; Meanwhile the main program fills BUF with 256 bytes of a 16-bit
; xorshift generator and runs NROUNDS rounds of CRC-16/CCITT over
; it, each round starting from the last round's CRC (start $FFFF).
; Then it waits until OC2 has interrupted NINTS times (about
; NINTS * PERIOD cycles after the start, 20 million in all) and
; ends at done.
; ---------------------------------------------------------------
	cpu	6811

REGS	equ	$1000		; register block
TCNT	equ	$0E		; offsets into the register block
TOC2	equ	$18
TOC3	equ	$1A
TMSK1	equ	$22
TFLG1	equ	$23
TMSK2	equ	$24
TFLG2	equ	$25
OC2F	equ	$40		; TFLG1 / TMSK1
OC3F	equ	$20
TOF	equ	$80		; TFLG2 / TMSK2

PERIOD	equ	1000		; cycles between two interrupts of one compare
NINTS	equ	20000		; OC2 interrupts before the end
NROUNDS	equ	400		; CRC rounds over BUF

SEED	equ	$00		; xorshift state (16 bit)
CRC	equ	$02		; CRC after the last round (16 bit)
ROUNDS	equ	$04		; rounds done (16 bit)
OC2CNT	equ	$06		; OC2 interrupts (16 bit)
OC3CNT	equ	$08		; OC3 interrupts (16 bit)
TOFCNT	equ	$0A		; timer overflows (16 bit)
BUF	equ	$2000		; 256 pseudo-random bytes

	org	$e000
start:	lds	#$00ff
	ldx	#REGS
	ldaa	#TOF
	staa	TMSK2,x		; TOF interrupt; the prescaler stays at 1
	ldd	#0
	std	OC2CNT
	std	OC3CNT
	std	TOFCNT
	std	ROUNDS
	ldd	TCNT,x		; OC2 in PERIOD cycles, OC3 half a period later
	addd	#PERIOD
	std	TOC2,x
	addd	#PERIOD/2
	std	TOC3,x
	ldaa	#OC2F+OC3F
	staa	TFLG1,x		; clear stale flags (write 1s)
	staa	TMSK1,x
	cli

	ldd	#$ace1		; BUF := 128 words of xorshift16
	std	SEED
	ldx	#BUF
fill:	bsr	rand
	std	0,x
	inx
	inx
	cpx	#BUF+256
	bne	fill
	ldd	#$ffff
	std	CRC
round:	ldd	CRC		; CRC := CRC-16/CCITT of BUF from CRC
	ldx	#BUF
crc1:	bsr	crcbyte
	inx
	cpx	#BUF+256
	bne	crc1
	std	CRC
	ldx	ROUNDS
	inx
	stx	ROUNDS
	cpx	#NROUNDS
	blo	round

spin:	ldd	OC2CNT		; wait for the last interrupt
	cpd	#NINTS
	blo	spin
	sei
	ldd	CRC
done:	bra	done

; xorshift16 (7, 9, 8): SEED := next state; D := SEED
rand:	ldd	SEED
	lsrd
	tba
	ldab	#0
	bcc	rand1
	ldab	#$80
rand1:	eora	SEED
	eorb	SEED+1
	std	SEED
	tab
	clra
	lsrb
	eora	SEED
	eorb	SEED+1
	std	SEED
	eora	SEED+1
	std	SEED
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

; ---- OC2, OC3: count, and the next match PERIOD cycles on ----
oc2isr:	ldx	#REGS
	ldd	TOC2,x
	addd	#PERIOD
	std	TOC2,x
	ldaa	#OC2F
	staa	TFLG1,x
	ldd	OC2CNT
	addd	#1
	std	OC2CNT
	rti

oc3isr:	ldx	#REGS
	ldd	TOC3,x
	addd	#PERIOD
	std	TOC3,x
	ldaa	#OC3F
	staa	TFLG1,x
	ldd	OC3CNT
	addd	#1
	std	OC3CNT
	rti

; ---- TOF: count the overflows ----
tofisr:	ldx	#REGS
	ldaa	#TOF
	staa	TFLG2,x
	ldd	TOFCNT
	addd	#1
	std	TOFCNT
	rti

unused:	bra	unused		; trap for unexpected interrupts

	org	$ffd6
	fdb	unused,unused,unused,unused,tofisr	; SCI SPI PAI PAOV TOF
	fdb	unused,unused,oc3isr,oc2isr,unused	; TOC5 TOC4 TOC3 TOC2 TOC1
	fdb	unused,unused,unused			; TIC3..TIC1
	fdb	unused,unused,unused,unused		; RTI IRQ XIRQ SWI
	fdb	unused,unused,unused			; illegal opcode, COP, clock monitor
	fdb	start		; reset
