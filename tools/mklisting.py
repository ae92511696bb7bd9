#!/usr/bin/env python3
"""Assembles a 68HC11 program and writes its listing file in the simulator's listing layout.

The simulator reads fixed-column listings: a code line shows the line number, "/", the address
in columns 14-17, " : " in columns 18-20, up to six code bytes from column 21 and the source text
from column 41; further bytes follow on continuation lines (20 blanks, then the bytes). This
tool produces exactly that layout (with a page header every 60 lines and a symbol table at the
end, as cross-assembler listings have them) from a Motorola-style source:

    label:  mnemonic operand    ; comment
    NAME    equ     expr
            org     expr
            fcb     1,2,'A'     fdb  label,$1234     fcc  "text"     rmb  count

Numbers are decimal, $hex, %binary or 'c'; expressions use + - * / & | and parentheses; * alone
is the current address. An address operand below $100 uses direct mode where the instruction
has one; <expr forces direct, >expr extended.

    tools/mklisting.py examples/demo.asm                  writes examples/demo.lst
    tools/mklisting.py --compare REAL.lst SRC.asm         checks our encoding and columns
                                                          against a listing made elsewhere
    tools/mklisting.py --gas examples/demo.asm            cross-checks the bytes with the
                                                          binutils m68hc11 assembler

TEST, the one opcode that the simulator does not implement (it belongs to the chip's test mode),
is refused unless --allow-unimplemented is given.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

PAGE_LINES = 60

# --- opcode tables ----------------------------------------------------------------------------

INHERENT = {
    "ABA": "1B", "ABX": "3A", "ABY": "183A", "ASLA": "48", "ASLB": "58", "ASLD": "05",
    "ASRA": "47", "ASRB": "57", "CBA": "11", "CLC": "0C", "CLI": "0E", "CLRA": "4F",
    "CLRB": "5F", "CLV": "0A", "COMA": "43", "COMB": "53", "DAA": "19", "DECA": "4A",
    "DECB": "5A", "DES": "34", "DEX": "09", "DEY": "1809", "FDIV": "03", "IDIV": "02",
    "INCA": "4C", "INCB": "5C", "INS": "31", "INX": "08", "INY": "1808", "LSLA": "48",
    "LSLB": "58", "LSLD": "05", "LSRA": "44", "LSRB": "54", "LSRD": "04", "MUL": "3D",
    "NEGA": "40", "NEGB": "50", "NOP": "01", "PSHA": "36", "PSHB": "37", "PSHX": "3C",
    "PSHY": "183C", "PULA": "32", "PULB": "33", "PULX": "38", "PULY": "1838", "ROLA": "49",
    "ROLB": "59", "RORA": "46", "RORB": "56", "RTI": "3B", "RTS": "39", "SBA": "10",
    "SEC": "0D", "SEI": "0F", "SEV": "0B", "STOP": "CF", "SWI": "3F", "TAB": "16",
    "TAP": "06", "TBA": "17", "TEST": "00", "TPA": "07", "TSTA": "4D", "TSTB": "5D",
    "TSX": "30", "TSY": "1830", "TXS": "35", "TYS": "1835", "WAI": "3E", "XGDX": "8F",
    "XGDY": "188F",
}

RELATIVE = {
    "BRA": 0x20, "BRN": 0x21, "BHI": 0x22, "BLS": 0x23, "BCC": 0x24, "BHS": 0x24, "BCS": 0x25,
    "BLO": 0x25, "BNE": 0x26, "BEQ": 0x27, "BVC": 0x28, "BVS": 0x29, "BPL": 0x2A, "BMI": 0x2B,
    "BGE": 0x2C, "BLT": 0x2D, "BGT": 0x2E, "BLE": 0x2F, "BSR": 0x8D,
}

# Memory-operand instructions: mode -> opcode bytes (hex). imm = immediate width in bytes.
GENERAL = {}


def _acc(name, base, store=False):
    modes = {"dir": "%02X" % (base + 0x10), "idx": "%02X" % (base + 0x20),
             "idy": "18%02X" % (base + 0x20), "ext": "%02X" % (base + 0x30)}
    if not store:
        modes["imm"] = "%02X" % base
    GENERAL[name] = (modes, 1)


for _name, _op in [("SUB", 0x80), ("CMP", 0x81), ("SBC", 0x82), ("AND", 0x84), ("BIT", 0x85),
                   ("LDA", 0x86), ("EOR", 0x88), ("ADC", 0x89), ("ORA", 0x8A), ("ADD", 0x8B)]:
    _acc(_name + "A", _op)
    _acc(_name + "B", _op + 0x40)
_acc("STAA", 0x87, store=True)
_acc("STAB", 0xC7, store=True)


def _word(name, imm, dir_, idx, idy, ext):
    modes = {k: v for k, v in
             {"imm": imm, "dir": dir_, "idx": idx, "idy": idy, "ext": ext}.items() if v}
    GENERAL[name] = (modes, 2)


_word("SUBD", "83", "93", "A3", "18A3", "B3")
_word("ADDD", "C3", "D3", "E3", "18E3", "F3")
_word("CPD", "1A83", "1A93", "1AA3", "CDA3", "1AB3")
_word("CPX", "8C", "9C", "AC", "CDAC", "BC")
_word("CPY", "188C", "189C", "1AAC", "18AC", "18BC")
_word("LDD", "CC", "DC", "EC", "18EC", "FC")
_word("STD", None, "DD", "ED", "18ED", "FD")
_word("LDS", "8E", "9E", "AE", "18AE", "BE")
_word("STS", None, "9F", "AF", "18AF", "BF")
_word("LDX", "CE", "DE", "EE", "CDEE", "FE")
_word("STX", None, "DF", "EF", "CDEF", "FF")
_word("LDY", "18CE", "18DE", "1AEE", "18EE", "18FE")
_word("STY", None, "18DF", "1AEF", "18EF", "18FF")
_word("JSR", None, "9D", "AD", "18AD", "BD")
_word("JMP", None, None, "6E", "186E", "7E")
for _name, _col in [("NEG", 0x0), ("COM", 0x3), ("LSR", 0x4), ("ROR", 0x6), ("ASR", 0x7),
                    ("ASL", 0x8), ("LSL", 0x8), ("ROL", 0x9), ("DEC", 0xA), ("INC", 0xC),
                    ("TST", 0xD), ("CLR", 0xF)]:
    _word(_name, None, None, "%02X" % (0x60 + _col), "18%02X" % (0x60 + _col),
          "%02X" % (0x70 + _col))

# Bit instructions: (direct opcode, indexed opcode, has branch target)
BITOPS = {"BSET": (0x14, 0x1C, False), "BCLR": (0x15, 0x1D, False),
          "BRSET": (0x12, 0x1E, True), "BRCLR": (0x13, 0x1F, True)}

NOT_IMPLEMENTED = {"TEST"}


class AsmError(Exception):
    pass


# --- expressions ------------------------------------------------------------------------------

class Unknown(Exception):
    """A symbol that is not defined (yet)."""


def _split_operands(text):
    """Splits at commas outside quotes."""
    parts, cur, quote = [], "", None
    for ch in text:
        if quote:
            cur += ch
            if ch == quote:
                quote = None
        elif ch in "'\"":
            quote = ch
            cur += ch
        elif ch == ",":
            parts.append(cur.strip())
            cur = ""
        else:
            cur += ch
    parts.append(cur.strip())
    return parts


class Expr:
    TOKEN = re.compile(r"\s*(\$[0-9A-Fa-f]+|%[01]+|0[xX][0-9A-Fa-f]+|[0-9]+|'.'|"
                       r"[A-Za-z_.][A-Za-z0-9_.]*|[-+*/&|()])")

    def __init__(self, text, symbols, pc):
        self.tokens = []
        pos = 0
        text = text.strip()
        while pos < len(text):
            m = self.TOKEN.match(text, pos)
            if not m:
                raise AsmError("bad expression: %r" % text)
            self.tokens.append(m.group(1))
            pos = m.end()
            while pos < len(text) and text[pos].isspace():
                pos += 1
        self.pos = 0
        self.symbols = symbols
        self.pc = pc
        self.text = text

    def value(self):
        if not self.tokens:
            raise AsmError("missing expression")
        v = self._or()
        if self.pos != len(self.tokens):
            raise AsmError("bad expression: %r" % self.text)
        return v

    def _peek(self):
        return self.tokens[self.pos] if self.pos < len(self.tokens) else None

    def _or(self):
        v = self._and()
        while self._peek() == "|":
            self.pos += 1
            v |= self._and()
        return v

    def _and(self):
        v = self._sum()
        while self._peek() == "&":
            self.pos += 1
            v &= self._sum()
        return v

    def _sum(self):
        v = self._product()
        while self._peek() in ("+", "-"):
            op = self.tokens[self.pos]
            self.pos += 1
            r = self._product()
            v = v + r if op == "+" else v - r
        return v

    def _product(self):
        v = self._unary()
        while self._peek() in ("*", "/"):
            op = self.tokens[self.pos]
            self.pos += 1
            r = self._unary()
            v = v * r if op == "*" else v // r
        return v

    def _unary(self):
        t = self._peek()
        if t == "-":
            self.pos += 1
            return -self._unary()
        if t == "+":
            self.pos += 1
            return self._unary()
        return self._term()

    def _term(self):
        t = self._peek()
        if t is None:
            raise AsmError("bad expression: %r" % self.text)
        self.pos += 1
        if t == "(":
            v = self._or()
            if self._peek() != ")":
                raise AsmError("missing ) in %r" % self.text)
            self.pos += 1
            return v
        if t == "*":
            return self.pc
        if t.startswith("$"):
            return int(t[1:], 16)
        if t.startswith("%"):
            return int(t[1:], 2)
        if t[:2] in ("0x", "0X"):
            return int(t[2:], 16)
        if t.isdigit():
            return int(t)
        if t.startswith("'"):
            return ord(t[1])
        key = t.upper()
        if key not in self.symbols:
            raise Unknown(t)
        return self.symbols[key]


# --- the assembler ----------------------------------------------------------------------------

class Line:
    def __init__(self, number, text):
        self.number = number
        self.text = text
        self.address = 0  # shown in the address column
        self.data = b""
        self.equ = None
        self.mode = None  # chosen addressing mode of an instruction (for --gas)
        self.operand_value = None


def _strip_comment(text):
    """The line without its ; comment (a ; inside a string or a 'c' constant is kept)."""
    i = 0
    while i < len(text):
        ch = text[i]
        if ch == "'" and i + 2 < len(text) and text[i + 2] == "'":
            i += 3
            continue
        if ch == '"':
            end = text.find('"', i + 1)
            i = len(text) if end < 0 else end + 1
            continue
        if ch == ";":
            return text[:i]
        i += 1
    return text


class Assembler:
    def __init__(self, allow_unimplemented=False):
        self.allow_unimplemented = allow_unimplemented
        self.symbols = {}
        self.labels = set()

    def assemble(self, source_lines):
        lines = [Line(i + 1, t) for i, t in enumerate(source_lines)]
        previous = None
        for _ in range(10):
            self._pass(lines, final=False)
            snapshot = dict(self.symbols)
            if snapshot == previous:
                break
            previous = snapshot
        else:
            raise AsmError("addresses do not settle")
        self._pass(lines, final=True)
        return lines

    def _pass(self, lines, final):
        pc = 0
        self.defined = set()
        for line in lines:
            try:
                pc = self._line(line, pc, final)
            except AsmError as e:
                raise AsmError("line %d: %s\n  %s" % (line.number, e, line.text)) from None
            except Unknown as e:
                raise AsmError("line %d: undefined symbol %s\n  %s"
                               % (line.number, e, line.text)) from None

    def _eval(self, text, pc, final):
        try:
            return Expr(text, self.symbols, pc).value()
        except Unknown:
            if final:
                raise
            # A forward reference in an early pass: assume an address that needs the
            # extended form; the next pass knows the symbol.
            return 0xFFFF

    def _line(self, line, pc, final):
        line.address = pc
        line.data = b""
        line.equ = None
        text = _strip_comment(line.text).rstrip()
        if not text.strip():
            return pc
        label = None
        if not text[0].isspace():
            m = re.match(r"([A-Za-z_.][A-Za-z0-9_.]*):?", text)
            if not m:
                raise AsmError("bad label")
            label = m.group(1).upper()
            text = text[m.end():]
        parts = text.strip().split(None, 1)
        mnemonic = parts[0].upper() if parts else ""
        operand = parts[1].strip() if len(parts) > 1 else ""

        if mnemonic == "EQU":
            if not label:
                raise AsmError("equ without a name")
            if label in self.defined:
                raise AsmError("%s defined twice" % label)
            self.defined.add(label)
            value = self._eval(operand, pc, final)
            self.symbols[label] = value
            line.equ = value
            return pc
        if label:
            if label in self.defined:
                raise AsmError("label %s defined twice" % label)
            self.defined.add(label)
            self.labels.add(label)
            self.symbols[label] = pc
        if not mnemonic:
            return pc
        if mnemonic == "ORG":
            pc = self._eval(operand, pc, final)
            line.address = pc
            return pc
        if mnemonic in ("CPU", "END", "PAGE", "TITLE"):
            return pc
        if mnemonic in ("FCB", "DB", "BYTE"):
            out = bytearray()
            for item in _split_operands(operand):
                out.append(self._eval(item, pc, final) & 0xFF)
            line.data = bytes(out)
            return pc + len(out)
        if mnemonic in ("FDB", "DW", "WORD"):
            out = bytearray()
            for item in _split_operands(operand):
                v = self._eval(item, pc, final) & 0xFFFF
                out += bytes([v >> 8, v & 0xFF])
            line.data = bytes(out)
            return pc + len(out)
        if mnemonic == "FCC":
            m = re.fullmatch(r'"([^"]*)"', operand) or re.fullmatch(r"/([^/]*)/", operand)
            if not m:
                raise AsmError("fcc needs a quoted string")
            line.data = m.group(1).encode("latin-1")
            return pc + len(line.data)
        if mnemonic in ("RMB", "DS"):
            return pc + self._eval(operand, pc, final)
        line.data = self._instruction(line, mnemonic, operand, pc, final)
        return pc + len(line.data)

    def _instruction(self, line, mnemonic, operand, pc, final):
        if mnemonic in NOT_IMPLEMENTED and not self.allow_unimplemented:
            raise AsmError("%s is not implemented by the simulator" % mnemonic)
        if mnemonic in INHERENT:
            if operand:
                raise AsmError("%s takes no operand" % mnemonic)
            line.mode = "inh"
            return bytes.fromhex(INHERENT[mnemonic])
        if mnemonic in RELATIVE:
            target = self._eval(operand, pc, final)
            line.mode, line.operand_value = "rel", target
            return bytes([RELATIVE[mnemonic], self._offset(target, pc + 2, final)])
        if mnemonic in BITOPS:
            return self._bitop(line, mnemonic, operand, pc, final)
        if mnemonic not in GENERAL:
            raise AsmError("unknown mnemonic %s" % mnemonic)
        modes, width = GENERAL[mnemonic]
        if operand.startswith("#"):
            if "imm" not in modes:
                raise AsmError("%s has no immediate mode" % mnemonic)
            v = self._eval(operand[1:], pc, final)
            line.mode, line.operand_value = "imm", v
            if width == 1:
                return bytes.fromhex(modes["imm"]) + bytes([v & 0xFF])
            return bytes.fromhex(modes["imm"]) + bytes([(v >> 8) & 0xFF, v & 0xFF])
        ops = _split_operands(operand)
        if len(ops) == 2 and ops[1].upper() in ("X", "Y"):
            mode = "idx" if ops[1].upper() == "X" else "idy"
            offset = self._eval(ops[0], pc, final) if ops[0] else 0
            if not final:
                offset &= 0xFF
            if not 0 <= offset <= 255:
                raise AsmError("index offset out of range: %d" % offset)
            if mode not in modes:
                raise AsmError("%s has no indexed mode" % mnemonic)
            line.mode, line.operand_value = mode, offset
            return bytes.fromhex(modes[mode]) + bytes([offset])
        if len(ops) != 1 or not ops[0]:
            raise AsmError("bad operand")
        text = ops[0]
        force = None
        if text[0] in "<>":
            force, text = text[0], text[1:]
        v = self._eval(text, pc, final) & 0xFFFF
        direct = "dir" in modes and (force == "<" or (force is None and v <= 0xFF))
        if direct:
            if v > 0xFF:
                raise AsmError("direct address out of range")
            line.mode, line.operand_value = "dir", v
            return bytes.fromhex(modes["dir"]) + bytes([v])
        if "ext" not in modes:
            raise AsmError("%s has no extended mode" % mnemonic)
        line.mode, line.operand_value = "ext", v
        return bytes.fromhex(modes["ext"]) + bytes([v >> 8, v & 0xFF])

    def _bitop(self, line, mnemonic, operand, pc, final):
        direct_op, indexed_op, branches = BITOPS[mnemonic]
        ops = _split_operands(operand)
        prefix = b""
        if len(ops) >= 2 and ops[1].upper() in ("X", "Y"):
            opcode = indexed_op
            if ops[1].upper() == "Y":
                prefix = b"\x18"
            addr = self._eval(ops[0], pc, final) if ops[0] else 0
            rest = ops[2:]
            line.mode = "idx" if not prefix else "idy"
        else:
            opcode = direct_op
            addr = self._eval(ops[0], pc, final)
            rest = ops[1:]
            line.mode = "dir"
        if not final:
            addr &= 0xFF
        if not 0 <= addr <= 0xFF:
            raise AsmError("address or offset out of range")
        if len(rest) != (2 if branches else 1) or not rest[0].startswith("#"):
            raise AsmError("%s needs a #mask%s" % (mnemonic, " and a target" if branches else ""))
        mask = self._eval(rest[0][1:], pc, final) & 0xFF
        out = prefix + bytes([opcode, addr, mask])
        if branches:
            target = self._eval(rest[1], pc, final)
            size = len(out) + 1
            out += bytes([self._offset(target, pc + size, final)])
            line.operand_value = (addr, mask, target)
        else:
            line.operand_value = (addr, mask)
        return out

    @staticmethod
    def _offset(target, next_pc, final):
        d = target - next_pc
        if not -128 <= d <= 127:
            if final:
                raise AsmError("branch target out of range (%d)" % d)
            d = 0
        return d & 0xFF


# --- the listing ------------------------------------------------------------------------------

def listing_body(lines):
    """The listing lines for the source lines, without page headers."""
    out = []
    for line in lines:
        head = "%8d/%8X : " % (line.number, line.address)
        if line.equ is not None:
            field = "=$%X" % (line.equ & 0xFFFFFFFF if line.equ >= 0 else line.equ)
        else:
            field = "".join("%02X " % b for b in line.data[:6])
        out.append(head + field.ljust(20) + line.text)
        for i in range(6, len(line.data), 6):
            out.append(" " * 20 + "".join("%02X " % b for b in line.data[i:i + 6]))
    return out


def paginate(body, title):
    out = []
    page = 0
    for i, text in enumerate(body):
        if i % PAGE_LINES == 0:
            page += 1
            header = " %s - page %d" % (title, page)
            out += [("\f" if page > 1 else "") + header, "", ""]
        out.append(text)
    return out


def symbol_table(symbols, labels):
    out = ["", "  symbol table:", "  -------------", ""]
    for name in sorted(symbols):
        kind = "C" if name in labels else "-"
        out.append("  %-24s : %8X %s" % (name, symbols[name] & 0xFFFFFFFF, kind))
    out += ["", "  %d symbols" % len(symbols)]
    return out


def make_listing(source_path, allow_unimplemented=False):
    with open(source_path, encoding="latin-1") as f:
        # Like a cross-assembler, list the empty line after the last newline too.
        source = f.read().replace("\r\n", "\n").split("\n")
    asm = Assembler(allow_unimplemented)
    lines = asm.assemble(source)
    title = "tools/mklisting.py - source file %s" % os.path.basename(source_path)
    body = paginate(listing_body(lines), title)
    pages = sum(1 for t in body if t.lstrip("\f").startswith(" " + title))
    body += ["\f %s - page %d" % (title, pages + 1), "", ""]
    body += symbol_table(asm.symbols, asm.labels)
    return lines, "\n".join(body) + "\n"


def memory_image(lines):
    image = {}
    for line in lines:
        for k, b in enumerate(line.data):
            image[(line.address + k) & 0xFFFF] = b
    return image


# --- checks -----------------------------------------------------------------------------------

def _listing_code_lines(path):
    """Code lines and their continuation lines of a listing, page headers left out."""
    with open(path, encoding="latin-1") as f:
        raw = f.read().split("\n")
    out = []
    for text in raw:
        if len(text) > 40 and text[8] == "/" and text[17:20] == " : ":
            out.append(text)
        elif 22 <= len(text) <= 38 and text[:20] == " " * 20:
            out.append(text)
    return out


def compare(real_listing, source_path):
    lines, _ = make_listing(source_path, allow_unimplemented=True)
    ours = [t for t in listing_body(lines)
            if (len(t) > 40 and t[8] == "/") or (22 <= len(t) <= 38 and t[:20] == " " * 20)]
    theirs = _listing_code_lines(real_listing)
    problems = 0
    for a, b in zip(ours, theirs):
        if a[:40] != b[:40]:
            problems += 1
            print("differs:\n  ours:   %r\n  theirs: %r" % (a, b))
    if len(ours) != len(theirs):
        problems += 1
        print("line count differs: ours %d, theirs %d" % (len(ours), len(theirs)))
    print("%s: %d code lines compared, %d differences" % (real_listing, len(ours), problems))
    return problems == 0


def _gas_target(address):
    # Branch targets are labels: the binutils assembler turns a branch to a plain number
    # into a long jump.
    return "a_%04x" % (address & 0xFFFF)


def _gas_line(line):
    """The instruction or data of one assembled line in the binutils assembler's syntax."""
    if not line.data:
        return None
    text = _strip_comment(line.text).strip()
    if not line.text[0].isspace():
        text = re.sub(r"^[A-Za-z_.][A-Za-z0-9_.]*:?", "", text).strip()
    parts = text.split(None, 1)
    mnemonic = parts[0].lower()
    if mnemonic in ("fcb", "db", "byte", "fdb", "dw", "word", "fcc"):
        return "\t.byte " + ",".join("0x%02x" % b for b in line.data)
    v = line.operand_value
    if line.mode == "inh":
        return "\t" + mnemonic
    if line.mode == "rel":
        return "\t%s %s" % (mnemonic, _gas_target(v))
    if mnemonic.upper() in BITOPS:
        if line.mode == "dir":
            base = "\t%s *0x%x #0x%x" % (mnemonic, v[0], v[1])
        else:
            base = "\t%s 0x%x,%s #0x%x" % (mnemonic, v[0], "x" if line.mode == "idx" else "y",
                                          v[1])
        return base + (" " + _gas_target(v[2]) if len(v) == 3 else "")
    if line.mode == "imm":
        return "\t%s #0x%x" % (mnemonic, v & 0xFFFF)
    if line.mode in ("idx", "idy"):
        return "\t%s 0x%x,%s" % (mnemonic, v, line.mode[-1])
    if line.mode == "dir":
        return "\t%s *0x%x" % (mnemonic, v)
    return "\t%s 0x%x" % (mnemonic, v)


def gas_check(source_path, allow_unimplemented=False):
    lines, _ = make_listing(source_path, allow_unimplemented)
    ours = memory_image(lines)
    src = []
    next_address = None
    for line in sorted((l for l in lines if l.data), key=lambda l: l.address):
        if line.address != next_address:
            src.append("\t.org 0x%x" % line.address)
        src.append("a_%04x:" % line.address)
        src.append(_gas_line(line))
        next_address = line.address + len(line.data)
    with tempfile.TemporaryDirectory() as tmp:
        s, o, elf, binary = (os.path.join(tmp, n) for n in ("t.s", "t.o", "t.elf", "t.bin"))
        with open(s, "w") as f:
            f.write("\n".join(src) + "\n")
        subprocess.run(["m68hc11-as", "--short-branches", "-o", o, s], check=True)
        subprocess.run(["m68hc11-ld", "-Ttext=0", "-e", "0", "-o", elf, o], check=True)
        subprocess.run(["m68hc11-objcopy", "-O", "binary", "-j", ".text", elf, binary],
                       check=True)
        with open(binary, "rb") as f:
            image = f.read()
    problems = 0
    for addr, b in sorted(ours.items()):
        theirs = image[addr] if addr < len(image) else None
        if theirs != b:
            problems += 1
            if problems <= 20:
                print("$%04X: ours %02X, binutils %s" % (addr, b, "--" if theirs is None
                                                          else "%02X" % theirs))
    print("%s: %d bytes compared with the binutils assembler, %d differences"
          % (source_path, len(ours), problems))
    return problems == 0


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("source", help="assembler source (.asm)")
    p.add_argument("-o", "--output", help="listing to write (default: SOURCE with .lst)")
    p.add_argument("--compare", metavar="LISTING",
                   help="compare our code lines with LISTING instead of writing one")
    p.add_argument("--gas", action="store_true",
                   help="cross-check the bytes with m68hc11-as instead of writing a listing")
    p.add_argument("--allow-unimplemented", action="store_true")
    args = p.parse_args()
    try:
        if args.compare:
            return 0 if compare(args.compare, args.source) else 1
        if args.gas:
            return 0 if gas_check(args.source, args.allow_unimplemented) else 1
        _, text = make_listing(args.source, args.allow_unimplemented)
    except AsmError as e:
        print("%s: %s" % (args.source, e), file=sys.stderr)
        return 1
    out = args.output or os.path.splitext(args.source)[0] + ".lst"
    with open(out, "w", encoding="latin-1", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
