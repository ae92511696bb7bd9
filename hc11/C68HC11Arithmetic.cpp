// Arithmetic, logic, shifts and condition codes of the 68HC11 core, and the instructions that
// use them. The flag routines are the reference manual's Boolean formulas, evaluated on all
// bits at once: bit 3 of a carry vector is the half carry, bit 7 (bit 15) the carry out.
#include "hc11/C68HC11.h"

int32_t TCPU_68HC11_::Add8(int32_t A, int32_t M, int32_t CarryIn) {
    const int32_t r = (A + M + CarryIn) & 0xFF;
    const int32_t carries = (A & M) | (M & ~r) | (~r & A);
    H = carries & 0x08;
    N = r & 0x80;
    Z = r == 0;
    V = ((A & M & ~r) | (~A & ~M & r)) & 0x80;
    C = carries & 0x80;
    return r;
}

int32_t TCPU_68HC11_::Sub8(int32_t A, int32_t M, int32_t BorrowIn) {
    const int32_t r = (A - M - BorrowIn) & 0xFF;
    N = r & 0x80;
    Z = r == 0;
    V = ((A & ~M & ~r) | (~A & M & r)) & 0x80;
    C = ((~A & M) | (M & r) | (r & ~A)) & 0x80;
    return r;
}

int32_t TCPU_68HC11_::Add16(int32_t A, int32_t M, uint8_t Flags) {
    const int32_t r = (A + M) & 0xFFFF;
    if (Flags & fN) N = r & 0x8000;
    if (Flags & fZ) Z = r == 0;
    if (Flags & fV) V = ((A & M & ~r) | (~A & ~M & r)) & 0x8000;
    if (Flags & fC) C = ((A & M) | (M & ~r) | (~r & A)) & 0x8000;
    return r;
}

int32_t TCPU_68HC11_::Sub16(int32_t A, int32_t M, uint8_t Flags) {
    const int32_t r = (A - M) & 0xFFFF;
    if (Flags & fN) N = r & 0x8000;
    if (Flags & fZ) Z = r == 0;
    if (Flags & fV) V = ((A & ~M & ~r) | (~A & M & r)) & 0x8000;
    if (Flags & fC) C = ((~A & M) | (M & r) | (r & ~A)) & 0x8000;
    return r;
}

int32_t TCPU_68HC11_::ShiftLeft8(int32_t Value, int32_t BitIn) {
    const int32_t r = ((Value << 1) | BitIn) & 0xFF;
    C = Value & 0x80;
    N = r & 0x80;
    Z = r == 0;
    V = N != C;
    return r;
}

int32_t TCPU_68HC11_::ShiftRight8(int32_t Value, int32_t BitIn) {
    const int32_t r = (Value >> 1) | BitIn;
    C = Value & 0x01;
    N = r & 0x80;
    Z = r == 0;
    V = N != C;
    return r;
}

int32_t TCPU_68HC11_::ShiftLeft16(int32_t Value) {
    const int32_t r = (Value << 1) & 0xFFFF;
    C = Value & 0x8000;
    N = r & 0x8000;
    Z = r == 0;
    V = N != C;
    return r;
}

int32_t TCPU_68HC11_::ShiftRight16(int32_t Value) {
    const int32_t r = Value >> 1;
    C = Value & 0x0001;
    N = false;
    Z = r == 0;
    V = C;
    return r;
}

struct THC11ArithmeticOps {
    using CPU = TCPU_68HC11_;
    using Mode = CPU::TAddressMode;
    static constexpr Mode Imm = CPU::amImmediate, Dir = CPU::amDirect, Ind = CPU::amIndexed,
                          Ext = CPU::amExtended;
    static constexpr int32_t CPU::*A = &CPU::ACCA;
    static constexpr int32_t CPU::*B = &CPU::ACCB;
    static constexpr uint8_t NZVC = CPU::fN | CPU::fZ | CPU::fV | CPU::fC;

    // Two-operand 8-bit operations: accumulator and memory operand in, result out.
    using TBinary = int32_t (*)(CPU&, int32_t, int32_t);
    static int32_t Add(CPU& c, int32_t a, int32_t m) { return c.Add8(a, m, 0); }
    static int32_t Adc(CPU& c, int32_t a, int32_t m) { return c.Add8(a, m, c.CarryValue()); }
    static int32_t Sub(CPU& c, int32_t a, int32_t m) { return c.Sub8(a, m, 0); }
    static int32_t Sbc(CPU& c, int32_t a, int32_t m) { return c.Sub8(a, m, c.CarryValue()); }
    static int32_t And(CPU& c, int32_t a, int32_t m) { return c.And8(a, m); }
    static int32_t Or(CPU& c, int32_t a, int32_t m) { return c.Or8(a, m); }
    static int32_t Eor(CPU& c, int32_t a, int32_t m) { return c.Eor8(a, m); }

    // Store = false: flags only (CMP, BIT).
    template <int32_t CPU::*Acc, Mode M, TBinary Op, bool Store = true> static void Acc8(CPU& c) {
        const int32_t result = Op(c, c.*Acc, c.Operand8<M>());
        if constexpr (Store) c.*Acc = result;
    }

    // One-operand 8-bit operations on an accumulator or a memory byte. INC, DEC, CLR, COM
    // and NEG have the reference manual's flag effects: INC and DEC leave C (and H) alone so
    // that a DECB-counted multi-byte loop keeps its carry; CLR clears C; COM sets C; NEG sets
    // C unless the result is zero and V for $80, like a subtraction from zero.
    using TUnary = int32_t (*)(CPU&, int32_t);
    static int32_t Neg(CPU& c, int32_t x) { return c.Sub8(0, x, 0); }
    static int32_t Com(CPU& c, int32_t x) {
        c.C = true;
        return c.SetNZ8(~x & 0xFF);
    }
    static int32_t Lsr(CPU& c, int32_t x) { return c.ShiftRight8(x, 0); }
    static int32_t Asr(CPU& c, int32_t x) { return c.ShiftRight8(x, x & 0x80); }
    static int32_t Asl(CPU& c, int32_t x) { return c.ShiftLeft8(x, 0); }
    // ROL and ROR rotate through C: the old C enters, the bit shifted out becomes the new C.
    static int32_t Rol(CPU& c, int32_t x) { return c.ShiftLeft8(x, c.CarryValue()); }
    static int32_t Ror(CPU& c, int32_t x) { return c.ShiftRight8(x, c.CarryValue() << 7); }
    static int32_t Dec(CPU& c, int32_t x) {
        c.SetNZ8((x - 1) & 0xFF);
        c.V = x == 0x80;
        return (x - 1) & 0xFF;
    }
    static int32_t Inc(CPU& c, int32_t x) {
        c.SetNZ8((x + 1) & 0xFF);
        c.V = x == 0x7F;
        return (x + 1) & 0xFF;
    }
    static int32_t Tst(CPU& c, int32_t x) {
        c.Sub8(x, 0, 0);
        return x;
    }
    static int32_t Clr(CPU& c, int32_t) {
        c.C = false;
        return c.SetNZ8(0);
    }

    template <int32_t CPU::*Acc, TUnary Op> static void UnaryAcc(CPU& c) { c.*Acc = Op(c, c.*Acc); }
    // Read-modify-write: one read and one write of the byte, as the chip does; a device
    // register behind the address sees exactly that pair.
    template <Mode M, TUnary Op> static void UnaryMem(CPU& c) {
        const uint32_t address = c.EffectiveAddress<M>();
        c.WriteByte(address, Op(c, c.ReadByte(address)));
    }
    template <Mode M> static void TstMem(CPU& c) { Tst(c, c.ReadByte(c.EffectiveAddress<M>())); }
    template <Mode M> static void ClrMem(CPU& c) {
        c.WriteByte(c.EffectiveAddress<M>(), Clr(c, 0));
    }

    // 16-bit arithmetic. SUBD after a $1A or $CD prefix is CPD: it only compares.
    template <Mode M> static void SUBD(CPU& c) {
        const int32_t result = c.Sub16(c.GetD(), c.Operand16<M>(), NZVC);
        if (!c.CompareD) c.SetD(result);
    }
    template <Mode M> static void ADDD(CPU& c) {
        c.SetD(c.Add16(c.GetD(), c.Operand16<M>(), NZVC));
    }
    template <Mode M> static void CPX(CPU& c) {
        c.Sub16(c.GetIndexRegister(c.UseIYRegister), c.Operand16<M>(), NZVC);
    }
    // INX, DEX and ABX read the register that UseIYRegister selects and write the one that
    // UseIYIndex selects; the two differ only after prefixes the reference declares illegal.
    static void INX(CPU& c) {
        c.SetIndexRegister(c.Add16(c.GetIndexRegister(c.UseIYRegister), 1, CPU::fZ), c.UseIYIndex);
    }
    static void DEX(CPU& c) {
        c.SetIndexRegister(c.Sub16(c.GetIndexRegister(c.UseIYRegister), 1, CPU::fZ), c.UseIYIndex);
    }
    static void ABX(CPU& c) {
        c.SetIndexRegister(c.GetIndexRegister(c.UseIYRegister) + c.ACCB, c.UseIYIndex);
    }
    static void LSRD(CPU& c) { c.SetD(c.ShiftRight16(c.GetD())); }
    static void ASLD(CPU& c) { c.SetD(c.ShiftLeft16(c.GetD())); }

    static void SBA(CPU& c) { c.ACCA = c.Sub8(c.ACCA, c.ACCB, 0); }
    static void CBA(CPU& c) { c.Sub8(c.ACCA, c.ACCB, 0); }
    static void ABA(CPU& c) { c.ACCA = c.Add8(c.ACCA, c.ACCB, 0); }

    // Decimal adjust A after a BCD addition (ADDA, ADCA, ABA), the reference manual's
    // correction table; C, the digits of A and H before DAA give the number added and C after:
    //   C  A[7:4]  H  A[3:0]   adds  C
    //   0   0-9    0   0-9      00   0
    //   0   0-8    0   A-F      06   0
    //   0   0-9    1   0-3      06   0
    //   0   A-F    0   0-9      60   1
    //   0   9-F    0   A-F      66   1
    //   0   A-F    1   0-3      66   1
    //   1   0-2    0   0-9      60   1
    //   1   0-2    0   A-F      66   1
    //   1   0-3    1   0-3      66   1
    // That is $06 for H or a low digit above 9, and $60 for C or A above $99 (a high digit
    // above 9, or 9 with a low digit that carries into it); C after DAA is set exactly when $60
    // is added. N and Z follow the result, H stays. The manual leaves V undefined; here it is
    // the two's-complement overflow of the correcting addition, as the adder produces it.
    static void DAA(CPU& c) {
        const int32_t a = c.ACCA;
        int32_t correction = (c.H || (a & 0x0F) > 0x09) ? 0x06 : 0x00;
        if (c.C || a > 0x99) correction |= 0x60;
        const bool h = c.H;
        c.ACCA = c.Add8(a, correction, 0);
        c.H = h;
        c.C = correction & 0x60;
    }

    static void MUL(CPU& c) {
        c.SetD(c.ACCA * c.ACCB);
        c.C = c.ACCB & 0x80; // rounds the high byte: ADCA #0 after MUL
    }
    // Unsigned 16-bit division of D by IX: quotient to IX, remainder to D. A zero divisor
    // gives IX = $FFFF and C set and leaves D alone.
    static void IDIV(CPU& c) {
        if (c.IX != 0) {
            const int32_t d = c.GetD();
            c.SetD(d % c.IX);
            c.IX = d / c.IX;
            c.C = false;
        } else {
            c.IX = 0xFFFF;
            c.C = true;
        }
        c.V = false;
        c.Z = c.IX == 0;
    }

    // Fractional divide, reference manual: D and IX are taken as fractions with the radix point
    // at the same place, so IX := (D * 65536) / IX and D := the remainder. The quotient is a
    // fraction only for D < IX: V is set when IX <= D (overflow) and C when IX = 0; in both
    // cases the quotient is $FFFF and the manual calls the remainder indeterminate, and D is
    // left as it was (as IDIV leaves it after a division by zero). Z follows the quotient, N
    // is not affected.
    static void FDIV(CPU& c) {
        const int32_t d = c.GetD();
        c.V = c.IX <= d;
        c.C = c.IX == 0;
        if (!c.V) {
            const uint32_t numerator = static_cast<uint32_t>(d) << 16;
            const auto divisor = static_cast<uint32_t>(c.IX);
            c.SetD(static_cast<int32_t>(numerator % divisor));
            c.IX = static_cast<int32_t>(numerator / divisor);
        } else {
            c.IX = 0xFFFF;
        }
        c.Z = c.IX == 0;
    }

    // BSET/BCLR: address (direct or indexed), then the mask byte.
    template <Mode M, bool Set> static void ChangeBits(CPU& c) {
        const uint32_t address = c.EffectiveAddress<M>();
        const int32_t value = c.ReadByte(address);
        const int32_t mask = c.FetchByte();
        c.WriteByte(address, c.SetNZ8(Set ? (value | mask) : (value & ~mask & 0xFF)));
    }

    // clang-format off
    static constexpr CPU::TOpcodeRow Rows[] = {
        {0x02, "IDIV",      41, IDIV},
        {0x03, "FDIV",      41, FDIV},
        {0x04, "LSRD",       3, LSRD},
        {0x05, "ASLD",       3, ASLD},
        {0x08, "INX",        3, INX},
        {0x09, "DEX",        3, DEX},
        {0x10, "SBA",        2, SBA},
        {0x11, "CBA",        2, CBA},
        {0x14, "BSET dir",   6, ChangeBits<Dir, true>},
        {0x15, "BCLR dir",   6, ChangeBits<Dir, false>},
        {0x19, "DAA",        2, DAA},
        {0x1B, "ABA",        2, ABA},
        {0x1C, "BSET ind",   7, ChangeBits<Ind, true>},
        {0x1D, "BCLR ind",   7, ChangeBits<Ind, false>},
        {0x3A, "ABX",        3, ABX},
        {0x3D, "MUL",       10, MUL},

        {0x40, "NEGA",       2, UnaryAcc<A, Neg>},
        {0x43, "COMA",       2, UnaryAcc<A, Com>},
        {0x44, "LSRA",       2, UnaryAcc<A, Lsr>},
        {0x46, "RORA",       2, UnaryAcc<A, Ror>},
        {0x47, "ASRA",       2, UnaryAcc<A, Asr>},
        {0x48, "ASLA",       2, UnaryAcc<A, Asl>},
        {0x49, "ROLA",       2, UnaryAcc<A, Rol>},
        {0x4A, "DECA",       2, UnaryAcc<A, Dec>},
        {0x4C, "INCA",       2, UnaryAcc<A, Inc>},
        {0x4D, "TSTA",       2, UnaryAcc<A, Tst>},
        {0x4F, "CLRA",       2, UnaryAcc<A, Clr>},
        {0x50, "NEGB",       2, UnaryAcc<B, Neg>},
        {0x53, "COMB",       2, UnaryAcc<B, Com>},
        {0x54, "LSRB",       2, UnaryAcc<B, Lsr>},
        {0x56, "RORB",       2, UnaryAcc<B, Ror>},
        {0x57, "ASRB",       2, UnaryAcc<B, Asr>},
        {0x58, "ASLB",       2, UnaryAcc<B, Asl>},
        {0x59, "ROLB",       2, UnaryAcc<B, Rol>},
        {0x5A, "DECB",       2, UnaryAcc<B, Dec>},
        {0x5C, "INCB",       2, UnaryAcc<B, Inc>},
        {0x5D, "TSTB",       2, UnaryAcc<B, Tst>},
        {0x5F, "CLRB",       2, UnaryAcc<B, Clr>},

        {0x60, "NEG ind",    6, UnaryMem<Ind, Neg>},
        {0x63, "COM ind",    6, UnaryMem<Ind, Com>},
        {0x64, "LSR ind",    6, UnaryMem<Ind, Lsr>},
        {0x66, "ROR ind",    6, UnaryMem<Ind, Ror>},
        {0x67, "ASR ind",    6, UnaryMem<Ind, Asr>},
        {0x68, "ASL ind",    6, UnaryMem<Ind, Asl>},
        {0x69, "ROL ind",    6, UnaryMem<Ind, Rol>},
        {0x6A, "DEC ind",    6, UnaryMem<Ind, Dec>},
        {0x6C, "INC ind",    6, UnaryMem<Ind, Inc>},
        {0x6D, "TST ind",    6, TstMem<Ind>},
        {0x6F, "CLR ind",    6, ClrMem<Ind>},
        {0x70, "NEG ext",    6, UnaryMem<Ext, Neg>},
        {0x73, "COM ext",    6, UnaryMem<Ext, Com>},
        {0x74, "LSR ext",    6, UnaryMem<Ext, Lsr>},
        {0x76, "ROR ext",    6, UnaryMem<Ext, Ror>},
        {0x77, "ASR ext",    6, UnaryMem<Ext, Asr>},
        {0x78, "ASL ext",    6, UnaryMem<Ext, Asl>},
        {0x79, "ROL ext",    6, UnaryMem<Ext, Rol>},
        {0x7A, "DEC ext",    6, UnaryMem<Ext, Dec>},
        {0x7C, "INC ext",    6, UnaryMem<Ext, Inc>},
        {0x7D, "TST ext",    6, TstMem<Ext>},
        {0x7F, "CLR ext",    6, ClrMem<Ext>},

        {0x80, "SUBA imm",   2, Acc8<A, Imm, Sub>},
        {0x81, "CMPA imm",   2, Acc8<A, Imm, Sub, false>},
        {0x82, "SBCA imm",   2, Acc8<A, Imm, Sbc>},
        {0x83, "SUBD imm",   4, SUBD<Imm>},
        {0x84, "ANDA imm",   2, Acc8<A, Imm, And>},
        {0x85, "BITA imm",   2, Acc8<A, Imm, And, false>},
        {0x88, "EORA imm",   2, Acc8<A, Imm, Eor>},
        {0x89, "ADCA imm",   2, Acc8<A, Imm, Adc>},
        {0x8A, "ORAA imm",   2, Acc8<A, Imm, Or>},
        {0x8B, "ADDA imm",   2, Acc8<A, Imm, Add>},
        {0x8C, "CPX imm",    4, CPX<Imm>},

        {0x90, "SUBA dir",   3, Acc8<A, Dir, Sub>},
        {0x91, "CMPA dir",   3, Acc8<A, Dir, Sub, false>},
        {0x92, "SBCA dir",   3, Acc8<A, Dir, Sbc>},
        {0x93, "SUBD dir",   5, SUBD<Dir>},
        {0x94, "ANDA dir",   3, Acc8<A, Dir, And>},
        {0x95, "BITA dir",   3, Acc8<A, Dir, And, false>},
        {0x98, "EORA dir",   3, Acc8<A, Dir, Eor>},
        {0x99, "ADCA dir",   3, Acc8<A, Dir, Adc>},
        {0x9A, "ORAA dir",   3, Acc8<A, Dir, Or>},
        {0x9B, "ADDA dir",   3, Acc8<A, Dir, Add>},
        {0x9C, "CPX dir",    5, CPX<Dir>},

        {0xA0, "SUBA ind",   4, Acc8<A, Ind, Sub>},
        {0xA1, "CMPA ind",   4, Acc8<A, Ind, Sub, false>},
        {0xA2, "SBCA ind",   4, Acc8<A, Ind, Sbc>},
        {0xA3, "SUBD ind",   6, SUBD<Ind>},
        {0xA4, "ANDA ind",   4, Acc8<A, Ind, And>},
        {0xA5, "BITA ind",   4, Acc8<A, Ind, And, false>},
        {0xA8, "EORA ind",   4, Acc8<A, Ind, Eor>},
        {0xA9, "ADCA ind",   4, Acc8<A, Ind, Adc>},
        {0xAA, "ORAA ind",   4, Acc8<A, Ind, Or>},
        {0xAB, "ADDA ind",   4, Acc8<A, Ind, Add>},
        {0xAC, "CPX ind",    6, CPX<Ind>},

        {0xB0, "SUBA ext",   4, Acc8<A, Ext, Sub>},
        {0xB1, "CMPA ext",   4, Acc8<A, Ext, Sub, false>},
        {0xB2, "SBCA ext",   4, Acc8<A, Ext, Sbc>},
        {0xB3, "SUBD ext",   6, SUBD<Ext>},
        {0xB4, "ANDA ext",   4, Acc8<A, Ext, And>},
        {0xB5, "BITA ext",   4, Acc8<A, Ext, And, false>},
        {0xB8, "EORA ext",   4, Acc8<A, Ext, Eor>},
        {0xB9, "ADCA ext",   4, Acc8<A, Ext, Adc>},
        {0xBA, "ORAA ext",   4, Acc8<A, Ext, Or>},
        {0xBB, "ADDA ext",   4, Acc8<A, Ext, Add>},
        {0xBC, "CPX ext",    6, CPX<Ext>},

        {0xC0, "SUBB imm",   2, Acc8<B, Imm, Sub>},
        {0xC1, "CMPB imm",   2, Acc8<B, Imm, Sub, false>},
        {0xC2, "SBCB imm",   2, Acc8<B, Imm, Sbc>},
        {0xC3, "ADDD imm",   4, ADDD<Imm>},
        {0xC4, "ANDB imm",   2, Acc8<B, Imm, And>},
        {0xC5, "BITB imm",   2, Acc8<B, Imm, And, false>},
        {0xC8, "EORB imm",   2, Acc8<B, Imm, Eor>},
        {0xC9, "ADCB imm",   2, Acc8<B, Imm, Adc>},
        {0xCA, "ORAB imm",   2, Acc8<B, Imm, Or>},
        {0xCB, "ADDB imm",   2, Acc8<B, Imm, Add>},

        {0xD0, "SUBB dir",   3, Acc8<B, Dir, Sub>},
        {0xD1, "CMPB dir",   3, Acc8<B, Dir, Sub, false>},
        {0xD2, "SBCB dir",   3, Acc8<B, Dir, Sbc>},
        {0xD3, "ADDD dir",   5, ADDD<Dir>},
        {0xD4, "ANDB dir",   3, Acc8<B, Dir, And>},
        {0xD5, "BITB dir",   3, Acc8<B, Dir, And, false>},
        {0xD8, "EORB dir",   3, Acc8<B, Dir, Eor>},
        {0xD9, "ADCB dir",   3, Acc8<B, Dir, Adc>},
        {0xDA, "ORAB dir",   3, Acc8<B, Dir, Or>},
        {0xDB, "ADDB dir",   3, Acc8<B, Dir, Add>},

        {0xE0, "SUBB ind",   4, Acc8<B, Ind, Sub>},
        {0xE1, "CMPB ind",   4, Acc8<B, Ind, Sub, false>},
        {0xE2, "SBCB ind",   4, Acc8<B, Ind, Sbc>},
        {0xE3, "ADDD ind",   6, ADDD<Ind>},
        {0xE4, "ANDB ind",   4, Acc8<B, Ind, And>},
        {0xE5, "BITB ind",   4, Acc8<B, Ind, And, false>},
        {0xE8, "EORB ind",   4, Acc8<B, Ind, Eor>},
        {0xE9, "ADCB ind",   4, Acc8<B, Ind, Adc>},
        {0xEA, "ORAB ind",   4, Acc8<B, Ind, Or>},
        {0xEB, "ADDB ind",   4, Acc8<B, Ind, Add>},

        {0xF0, "SUBB ext",   4, Acc8<B, Ext, Sub>},
        {0xF1, "CMPB ext",   4, Acc8<B, Ext, Sub, false>},
        {0xF2, "SBCB ext",   4, Acc8<B, Ext, Sbc>},
        {0xF3, "ADDD ext",   6, ADDD<Ext>},
        {0xF4, "ANDB ext",   4, Acc8<B, Ext, And>},
        {0xF5, "BITB ext",   4, Acc8<B, Ext, And, false>},
        {0xF8, "EORB ext",   4, Acc8<B, Ext, Eor>},
        {0xF9, "ADCB ext",   4, Acc8<B, Ext, Adc>},
        {0xFA, "ORAB ext",   4, Acc8<B, Ext, Or>},
        {0xFB, "ADDB ext",   4, Acc8<B, Ext, Add>},
    };
    // clang-format on
};

void TCPU_68HC11_::InstallArithmeticOps(TOpcodeTable& Table) {
    InstallRows(Table, THC11ArithmeticOps::Rows);
}
