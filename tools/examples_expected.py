#!/usr/bin/env python3
"""Writes examples/expected.json: what the bundled example programs must leave in memory.

The values come from the programs' algorithms written out in Python, not from a simulator, so
that a run of a listing in the simulator can be checked against them. The layout is the one of
the expected results of the shared example programs.
"""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mklisting  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLES = os.path.join(ROOT, "examples")


def symbols_of(name):
    asm = mklisting.Assembler()
    with open(os.path.join(EXAMPLES, name), encoding="latin-1") as f:
        asm.assemble(f.read().split("\n"))
    return asm.symbols


def hexbytes(data):
    return "".join("%02X" % b for b in data)


def xorshift16(x):
    x ^= (x << 7) & 0xFFFF
    x ^= x >> 9
    x ^= (x << 8) & 0xFFFF
    return x


def crc16_ccitt(data, crc=0xFFFF):
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else (crc << 1)
            crc &= 0xFFFF
    return crc


def bench():
    s = symbols_of("bench.asm")
    weights = [1, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53]
    seed, crcx, total, odds = 0xACE1, 0, 0, 0
    for _ in range(s["NROUNDS"]):
        buf = []
        for _ in range(128):
            seed = xorshift16(seed)
            buf += [seed >> 8, seed & 0xFF]
        crc = crc16_ccitt(buf)
        crcx ^= crc
        for i, b in enumerate(buf):
            total = (total + b * weights[i % 16]) & 0xFFFFFF
        odds += sum(b & 1 for b in buf)
        ordered = sorted(buf[:s["NSORT"]])
        digits = ("%05d" % crc).encode() + b"\0"
    rounds = s["NROUNDS"]
    page0 = bytes([seed >> 8, seed & 0xFF, crc >> 8, crc & 0xFF, crcx >> 8, crcx & 0xFF,
                   total >> 16, (total >> 8) & 0xFF, total & 0xFF, odds >> 8, odds & 0xFF,
                   rounds >> 8, rounds & 0xFF])
    return {
        "name": "bench",
        "file": "bench.lst",
        "source": "bench.asm",
        "description": "Benchmark: xorshift fill, CRC-16/CCITT, MUL-weighted sum, insertion sort, "
                       "BRCLR count and IDIV decimal conversion, %d rounds." % rounds,
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 20000000,
        "checks": [
            {"address": "0000", "bytes": hexbytes(page0),
             "what": "SEED, CRC, CRCX, SUM (24 bit), ODDS, ROUNDS"},
            {"address": "%04X" % s["DIGITS"], "bytes": hexbytes(digits),
             "what": "DIGITS: CRC of the last round in decimal"},
            {"address": "%04X" % s["BUF"], "bytes": hexbytes(buf), "what": "BUF, last round"},
            {"address": "%04X" % s["SORTED"], "bytes": hexbytes(ordered),
             "what": "SORTED, last round"},
        ],
        "registers": {"D": "%04X" % crc, "X": "%04X" % rounds, "Y": "%04X" % odds,
                      "SP": "00FF"},
    }


def squarewave():
    s = symbols_of("squarewave.asm")
    edges = s["NEDGES"]
    # OC2 toggles PA6 from its reset level 0: high after the odd edges, low after the even ones.
    log = [0x40 if k % 2 == 0 else 0x00 for k in range(edges)]
    return {
        "name": "squarewave",
        "file": "squarewave.lst",
        "source": "squarewave.asm",
        "description": "Square wave on PA6: OC2 toggles the pin every %d cycles from its "
                       "interrupt routine, %d edges." % (s["HALF"], edges),
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 100000,
        "checks": [
            {"address": "%04X" % s["EDGES"], "bytes": hexbytes([edges]), "what": "EDGES"},
            {"address": "%04X" % s["LOG"], "bytes": hexbytes(log),
             "what": "LOG: PA6 after each edge"},
            {"address": "%04X" % (s["REGS"] + s["PORTA"]), "bytes": "00",
             "what": "PORTA: PA6 low after an even number of toggles"},
            {"address": "%04X" % (s["REGS"] + s["TCTL1"]), "bytes": "%02X" % s["TOGGLE2"],
             "what": "TCTL1: OC2 toggles PA6"},
        ],
        "registers": {"A": "%02X" % edges, "X": "%04X" % s["REGS"], "SP": "00FF"},
    }


def paevent():
    s = symbols_of("paevent.asm")
    pactl = s["PAEN"] + s["PEDGE"]
    tmsk2 = s["PAOVF"] + s["PAIF"]
    return {
        "name": "paevent",
        "file": "paevent.lst",
        "source": "paevent.asm",
        "description": "Event counter with the pulse accumulator: a self-test of three pulses "
                       "driven on PA7, then counting rising edges on PA7 by interrupt (the "
                       "edges come from the user; none in this run).",
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 1000,
        "checks": [
            {"address": "%04X" % s["SELFT"], "bytes": "0300000000",
             "what": "SELFT = 3 pulses counted, COUNT, EVENTS, GROUPS = 0"},
            {"address": "%04X" % (s["REGS"] + s["TMSK2"]),
             "bytes": hexbytes([tmsk2, 0, pactl, (-s["GROUP"]) & 0xFF]),
             "what": "TMSK2 (PAOVI, PAII), TFLG2 clear, PACTL (PAEN, PEDGE), PACNT = -GROUP"},
        ],
        "registers": {"D": "%02X00" % tmsk2, "X": "%04X" % s["REGS"], "SP": "00FF"},
    }


def octimer():
    s = symbols_of("octimer.asm")
    seed, buf = 0xACE1, []
    for _ in range(128):
        seed = xorshift16(seed)
        buf += [seed >> 8, seed & 0xFF]
    crc = 0xFFFF
    for _ in range(s["NROUNDS"]):
        crc = crc16_ccitt(buf, crc)
    rounds, nints, period = s["NROUNDS"], s["NINTS"], s["PERIOD"]
    # OC2's NINTS-th match comes NINTS periods after the start; OC3 runs half a period behind,
    # so it has interrupted one time fewer. TCNT overflows every 65536 cycles.
    end = nints * period
    words = [seed, crc, rounds, nints, nints - 1, end // 65536]
    page0 = bytes(b for w in words for b in (w >> 8, w & 0xFF))
    return {
        "name": "octimer",
        "file": "octimer.lst",
        "source": "octimer.asm",
        "description": "Benchmark: %d rounds of CRC-16/CCITT under two output-compare "
                       "interrupts every %d cycles and the overflow interrupt; ends after "
                       "%d OC2 interrupts." % (rounds, period, nints),
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 20000000,
        "checks": [
            {"address": "0000", "bytes": hexbytes(page0),
             "what": "SEED, CRC, ROUNDS, OC2CNT, OC3CNT, TOFCNT"},
            {"address": "%04X" % s["BUF"], "bytes": hexbytes(buf), "what": "BUF"},
        ],
        "registers": {"D": "%04X" % crc, "X": "%04X" % rounds, "Y": "0000", "SP": "00FF"},
    }


def pulsewidth():
    s = symbols_of("pulsewidth.asm")
    # The stimulus drives PA2 high at cycle 120000 and low at 130000. The program sleeps in WAI,
    # so each edge takes effect on its own cycle; TCNT counts every cycle from the reset at
    # cycle 0 (prescaler 1), so IC1 latches 120000 mod 65536 and then the width.
    rise, fall = 120000, 130000
    return {
        "name": "pulsewidth",
        "file": "pulsewidth.lst",
        "source": "pulsewidth.asm",
        "stimulus": "pulsewidth.stim",
        "description": "Pulse width on PA2 by input capture 1: a 10000-cycle pulse from the "
                       "stimulus file, measured while the processor sleeps in WAI.",
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 100000,
        "checks": [
            {"address": "%04X" % s["RISE"], "bytes": "%04X" % (rise % 65536),
             "what": "RISE: TCNT at the rising edge"},
            {"address": "%04X" % s["WIDTH"], "bytes": "%04X" % (fall - rise), "what": "WIDTH"},
            {"address": "%04X" % s["EDGES"], "bytes": "02", "what": "EDGES"},
        ],
        "registers": {"A": "02", "X": "%04X" % s["REGS"], "SP": "00FF"},
    }


def converter_value(volts):
    """The A/D transfer function: VRL = 0 V gives $00, VRH = 5 V gives $FF, rounded halves up."""
    volts = min(max(volts, 0.0), 5.0)
    return min(255, int(volts / 5.0 * 255 + 0.5))


def voltmeter():
    s = symbols_of("voltmeter.asm")
    volts = 2.5
    value = converter_value(volts)
    centi = (value * 100 + 25) // 51
    text = "%d.%02d" % (centi // 100, centi % 100)
    return {
        "name": "voltmeter",
        "file": "voltmeter.lst",
        "source": "voltmeter.asm",
        "args": "--analog PE0=%g" % volts,
        "description": "Voltmeter: converts PE0 (2.5 V), stores the value, the hundredths "
                       "of a volt and the voltage as text, and prints them over the SCI.",
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 100000,
        "sci_out": "PE0 = $%02X  %s V\r\n" % (value, text),
        "checks": [
            {"address": "%04X" % s["VALUE"], "bytes": "%02X" % value, "what": "VALUE"},
            {"address": "%04X" % s["CENTI"], "bytes": "%04X" % centi, "what": "CENTI"},
            {"address": "%04X" % s["TEXT"], "bytes": hexbytes(text.encode() + b"\0"),
             "what": "TEXT"},
        ],
        "registers": {"X": "%04X" % s["REGS"], "SP": "00FF"},
    }


def spi():
    s = symbols_of("spi.asm")
    # No slave is connected: MISO idles high, every answer is $FF.
    return {
        "name": "spi",
        "file": "spi.lst",
        "source": "spi.asm",
        "description": "SPI master: sends four bytes and stores the answers ($FF with no slave).",
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 100000,
        "checks": [
            {"address": "%04X" % s["RECV"], "bytes": "FF" * 4, "what": "RECV"},
            {"address": "%04X" % s["COUNT"], "bytes": "04", "what": "COUNT"},
        ],
        "registers": {"B": "04", "X": "%04X" % s["REGS"], "SP": "00FF"},
    }


def hello_program(name, how):
    s = symbols_of(name + ".asm")
    text = b"Hallo, Welt\r\n"
    # The transmitter sends every byte of TEXT up to its terminating 0; at the end the SCI is
    # idle: TDRE and TC set, only TE (and no interrupt enable) left in SCCR2.
    regs = {"A": "%02X" % len(text), "X": "%04X" % s["REGS"], "SP": "00FF"}
    checks = [
        {"address": "%04X" % s["TEXT"], "bytes": hexbytes(text + b"\0"), "what": "TEXT"},
        {"address": "%04X" % (s["REGS"] + s["BAUD"]),
         "bytes": hexbytes([s["B9600"], 0, s["TE"], 0xC0]),
         "what": "BAUD (9600 baud at 2 MHz), SCCR1, SCCR2 (TE), SCSR (TDRE, TC)"},
    ]
    if name == "hello":
        regs["Y"] = "%04X" % (s["TEXT"] + len(text))
        checks.append({"address": "%04X" % s["SENT"], "bytes": "%02X" % len(text),
                       "what": "SENT"})
    else:
        checks.append({"address": "%04X" % s["PTR"],
                       "bytes": "%04X%02X01" % (s["TEXT"] + len(text), len(text)),
                       "what": "PTR at the terminating 0, SENT, FIN"})
    return {
        "name": name,
        "file": name + ".lst",
        "source": name + ".asm",
        "description": "\"Hallo, Welt\" and CR LF over the SCI at 9600 baud, %s." % how,
        "start_address": "%04X" % s["START"],
        "done_address": "%04X" % s["DONE"],
        "max_steps": 100000,
        "sci_out": text.decode(),
        "checks": checks,
        "registers": regs,
    }


def main():
    data = {
        "conventions": {
            "addresses": "hex strings, 4 digits",
            "bytes": "hex string, two digits per byte, starting at address",
            "registers": "values at done_address; D = A:B, SP = stack pointer",
            "start": "execution starts at the reset vector ($FFFE) = start_address",
            "done": "the program ends in \"done: bra done\"; stop when PC == done_address",
            "stimulus": "if given, the stimulus file that drives the program's inputs",
            "args": "if given, further runner options the program needs (--analog PE0=2.5)",
            "sci_out": "if given, the text the program sends over the SCI up to done",
        },
        "programs": [bench(), squarewave(), paevent(), octimer(), pulsewidth(), voltmeter(),
                     spi(), hello_program("hello", "polling TDRE"),
                     hello_program("hellointr", "by the TDRE interrupt")],
    }
    with open(os.path.join(EXAMPLES, "expected.json"), "w") as f:
        json.dump(data, f, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
