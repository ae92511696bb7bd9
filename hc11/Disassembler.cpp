// The disassembler: reads the mnemonic and addressing mode of every opcode from the core's
// table ("LDAA imm", "BRSET ind", "BNE") and applies the prefix pages as the core does.
#include "hc11/Disassembler.h"

#include "hc11/C68HC11.h"

#include <array>

namespace {

enum class Mode { Inherent, Immediate, Direct, Indexed, Extended, Relative };

// What a prefix byte switches, as TCPU_68HC11_::ExecuteInstruction does.
struct Page {
    bool IyRegister = false; // the X register operand becomes Y
    bool IyIndex = false;    // indexed addresses use Y
    bool CompareD = false;   // SUBD only compares: CPD
};

Page pageOf(uint8_t Prefix) {
    switch (Prefix) {
    case 0x18: return {true, true, false};
    case 0x1A: return {true, false, true};
    case 0xCD: return {false, true, true};
    default: return {};
    }
}

bool isPrefix(uint8_t Byte) {
    return Byte == 0x18 || Byte == 0x1A || Byte == 0xCD;
}

struct TableEntry {
    QString Base; // the mnemonic without its mode: "LDX"
    Mode AddressMode = Mode::Inherent;
    bool Implemented = false;
};

TableEntry readEntry(uint8_t Opcode) {
    const TCPU_68HC11_::TOpcode& op = TCPU_68HC11_::OpcodeTable()[Opcode];
    TableEntry e;
    e.Implemented = op.Implemented;
    const QString text = QString::fromLatin1(op.Mnemonic);
    const qsizetype space = text.indexOf(u' ');
    e.Base = space < 0 ? text : text.left(space);
    const QString mode = space < 0 ? QString() : text.mid(space + 1);
    if (mode == u"imm")
        e.AddressMode = Mode::Immediate;
    else if (mode == u"dir")
        e.AddressMode = Mode::Direct;
    else if (mode == u"ind")
        e.AddressMode = Mode::Indexed;
    else if (mode == u"ext")
        e.AddressMode = Mode::Extended;
    else if (e.Base.startsWith(u'B')) // the branches: BRA ... BLE, BSR
        e.AddressMode = Mode::Relative;
    return e;
}

// The table's entries, parsed once.
const TableEntry& entryOf(uint8_t Opcode) {
    static const std::array<TableEntry, 256> entries = [] {
        std::array<TableEntry, 256> e;
        for (int op = 0; op < 256; ++op)
            e[static_cast<size_t>(op)] = readEntry(static_cast<uint8_t>(op));
        return e;
    }();
    return entries[Opcode];
}

// The instructions whose immediate operand is a 16-bit word.
bool hasWordImmediate(const QString& Base) {
    return Base == u"LDD" || Base == u"LDX" || Base == u"LDS" || Base == u"CPX" ||
           Base == u"SUBD" || Base == u"ADDD";
}

bool usesXRegister(const QString& Base) {
    return Base.contains(u'X'); // INX DEX TSX TXS PULX PSHX ABX XGDX CPX LDX STX
}

} // namespace

Disassembler::Disassembler() = default;

bool Disassembler::isInstruction(uint8_t Prefix, uint8_t Opcode) {
    const TableEntry& e = entryOf(Opcode);
    if (!e.Implemented) return false;
    const bool indexed = e.AddressMode == Mode::Indexed;
    const bool subd = e.Base == u"SUBD";
    switch (Prefix) {
    case 0: return true;
    case 0x18: return indexed || usesXRegister(e.Base);
    case 0x1A: return subd || (usesXRegister(e.Base) && indexed);
    case 0xCD: return indexed && (subd || usesXRegister(e.Base));
    default: return false;
    }
}

QString Disassembler::hex8(uint32_t Value) const {
    return Format.HexPrefix + QStringLiteral("%1").arg(Value & 0xFF, 2, 16, QChar(u'0')).toUpper();
}

QString Disassembler::hex16(uint32_t Value) const {
    return Format.HexPrefix +
           QStringLiteral("%1").arg(Value & 0xFFFF, 4, 16, QChar(u'0')).toUpper();
}

QString Disassembler::address(uint32_t Value) const {
    if (NameOf) {
        const QString name = NameOf(Value & 0xFFFF);
        if (!name.isEmpty()) return name;
    }
    return hex16(Value);
}

Disassembler::Instruction Disassembler::decode(const ByteReader& Read, uint32_t Address) const {
    Instruction in;
    in.Address = Address & 0xFFFF;
    auto byteAt = [&](int Offset) {
        return Read((in.Address + static_cast<uint32_t>(Offset)) & 0xFFFF);
    };

    uint8_t prefix = 0;
    uint8_t opcode = byteAt(0);
    int at = 1;
    if (isPrefix(opcode)) {
        prefix = opcode;
        opcode = byteAt(1);
        at = 2;
    }
    if (!isInstruction(prefix, opcode)) {
        in.Mnemonic = QStringLiteral("FCB");
        in.Operand = hex8(byteAt(0));
        return in;
    }
    const TableEntry& e = entryOf(opcode);
    const Page page = pageOf(prefix);
    in.Valid = true;
    in.Mnemonic = e.Base;
    if (page.IyRegister && usesXRegister(e.Base))
        in.Mnemonic[in.Mnemonic.lastIndexOf(u'X')] = u'Y'; // XGDX -> XGDY, TXS -> TYS
    if (page.CompareD && e.Base == u"SUBD") in.Mnemonic = QStringLiteral("CPD");

    auto next = [&] { return static_cast<uint32_t>(byteAt(at++)); };
    auto word = [&] {
        const uint32_t high = next();
        return (high << 8) | next();
    };
    const QString index = page.IyIndex ? QStringLiteral(",Y") : QStringLiteral(",X");
    auto relative = [&](uint32_t OffsetByte) {
        const auto offset = static_cast<int8_t>(OffsetByte);
        const uint32_t end = in.Address + static_cast<uint32_t>(at);
        in.Target = static_cast<int32_t>((end + static_cast<uint32_t>(offset)) & 0xFFFF);
        if (Format.DotRelativeBranches)
            return offset < 0 ? QStringLiteral(".-%1").arg(-offset)
                              : QStringLiteral(".+%1").arg(offset);
        return address(static_cast<uint32_t>(in.Target));
    };

    const bool bitOp = e.Base == u"BSET" || e.Base == u"BCLR";
    const bool bitBranch = e.Base == u"BRSET" || e.Base == u"BRCLR";
    switch (e.AddressMode) {
    case Mode::Inherent: break;
    case Mode::Immediate:
        in.Operand =
            QStringLiteral("#") + (hasWordImmediate(e.Base) ? hex16(word()) : hex8(next()));
        break;
    case Mode::Direct: {
        const uint32_t a = next();
        in.Operand = QStringLiteral("*") + hex8(a);
        if (e.Base == u"JSR") in.Target = static_cast<int32_t>(a);
        break;
    }
    case Mode::Indexed: in.Operand = hex8(next()) + index; break;
    case Mode::Extended: {
        const uint32_t a = word();
        in.Operand = address(a);
        if (e.Base == u"JMP" || e.Base == u"JSR") in.Target = static_cast<int32_t>(a);
        break;
    }
    case Mode::Relative: in.Operand = relative(next()); break;
    }
    if (bitOp || bitBranch) in.Operand += QStringLiteral(" #") + hex8(next());
    if (bitBranch) in.Operand += u' ' + relative(next());
    in.Length = at;
    in.EndsFlow = e.Base == u"RTS" || e.Base == u"RTI" || e.Base == u"JMP" || e.Base == u"BRA";
    return in;
}
