// Results and condition codes of the arithmetic, logic and shift instructions at their
// boundaries: carry, half carry, overflow both ways, zero of the reduced result.
#include "HC11TestSupport.h"

#include <utility>

namespace {

struct TRegs {
    int32_t A = 0, B = 0, IX = 0, IY = 0, CCR = 0;
};

struct TCase {
    const char* Name;
    std::initializer_list<int> Code;
    TRegs Before;
    TRegs After;
};

// clang-format off
const TCase Cases[] = {
    // name                      code                 before {A, B, IX, IY, CCR}      after
    {"ADDA 80+80 carries, overflows, Z of the byte", {0x8B, 0x80}, {0x80, 0, 0, 0, 0},      {0x00, 0, 0, 0, fZ | fV | fC}},
    {"ADDA 08+08 half carry",        {0x8B, 0x08}, {0x08, 0, 0, 0, 0},                    {0x10, 0, 0, 0, fH}},
    {"ADDA 0F+01 half carry",        {0x8B, 0x01}, {0x0F, 0, 0, 0, 0},                    {0x10, 0, 0, 0, fH}},
    {"ADDA 7F+01 overflow up",       {0x8B, 0x01}, {0x7F, 0, 0, 0, 0},                    {0x80, 0, 0, 0, fH | fN | fV}},
    {"ADDA FF+FF carry, no V",       {0x8B, 0xFF}, {0xFF, 0, 0, 0, 0},                    {0xFE, 0, 0, 0, fH | fN | fC}},
    {"ADCA FF+00+C wraps to zero",   {0x89, 0x00}, {0xFF, 0, 0, 0, fC},                   {0x00, 0, 0, 0, fH | fZ | fC}},
    {"ADCB uses the old carry",      {0xC9, 0x01}, {0, 0x01, 0, 0, fC},                   {0, 0x03, 0, 0, 0}},
    {"ABA",                          {0x1B},       {0x70, 0x10, 0, 0, 0},                 {0x80, 0x10, 0, 0, fN | fV}},
    {"SUBA 00-01 borrows",           {0x80, 0x01}, {0x00, 0, 0, 0, 0},                    {0xFF, 0, 0, 0, fN | fC}},
    {"SUBA 80-01 overflow down",     {0x80, 0x01}, {0x80, 0, 0, 0, 0},                    {0x7F, 0, 0, 0, fV}},
    {"SUBA 7F-FF overflow up",       {0x80, 0xFF}, {0x7F, 0, 0, 0, 0},                    {0x80, 0, 0, 0, fN | fV | fC}},
    {"SUBA leaves H alone",          {0x80, 0x01}, {0x10, 0, 0, 0, fH},                   {0x0F, 0, 0, 0, fH}},
    {"SBCA 00-FF-C is zero",         {0x82, 0xFF}, {0x00, 0, 0, 0, fC},                   {0x00, 0, 0, 0, fZ | fC}},
    {"CMPA equal: flags only",       {0x81, 0x42}, {0x42, 0, 0, 0, fN | fC},              {0x42, 0, 0, 0, fZ}},
    {"CMPB below: borrow",           {0xC1, 0x43}, {0, 0x42, 0, 0, 0},                    {0, 0x42, 0, 0, fN | fC}},
    {"SBA",                          {0x10},       {0x05, 0x07, 0, 0, 0},                 {0xFE, 0x07, 0, 0, fN | fC}},
    {"CBA flags only",               {0x11},       {0x07, 0x07, 0, 0, 0},                 {0x07, 0x07, 0, 0, fZ}},
    {"ANDA clears V, keeps C",       {0x84, 0x0F}, {0xF0, 0, 0, 0, fV | fC},              {0x00, 0, 0, 0, fZ | fC}},
    {"BITA flags only",              {0x85, 0x80}, {0x81, 0, 0, 0, 0},                    {0x81, 0, 0, 0, fN}},
    {"ORAB",                         {0xCA, 0x80}, {0, 0x01, 0, 0, fV},                   {0, 0x81, 0, 0, fN}},
    {"EORA to zero",                 {0x88, 0x5A}, {0x5A, 0, 0, 0, 0},                    {0x00, 0, 0, 0, fZ}},

    // INC and DEC leave H and C alone; V on $7F / $80.
    {"INCA FF wraps, C and H kept clear", {0x4C},  {0xFF, 0, 0, 0, 0},                    {0x00, 0, 0, 0, fZ}},
    {"INCA FF keeps C and H set",    {0x4C},       {0xFF, 0, 0, 0, fH | fC},              {0x00, 0, 0, 0, fH | fZ | fC}},
    {"INCA 7F overflows",            {0x4C},       {0x7F, 0, 0, 0, 0},                    {0x80, 0, 0, 0, fN | fV}},
    {"INCB 07 no half carry",        {0x5C},       {0, 0x07, 0, 0, 0},                    {0, 0x08, 0, 0, 0}},
    {"DECA 00 keeps C clear",        {0x4A},       {0x00, 0, 0, 0, 0},                    {0xFF, 0, 0, 0, fN}},
    {"DECB 01 keeps C set",          {0x5A},       {0, 0x01, 0, 0, fC},                   {0, 0x00, 0, 0, fZ | fC}},
    {"DECA 80 overflows",            {0x4A},       {0x80, 0, 0, 0, fC},                   {0x7F, 0, 0, 0, fV | fC}},
    {"TSTA 80 clears V and C",       {0x4D},       {0x80, 0, 0, 0, fV | fC},              {0x80, 0, 0, 0, fN}},
    {"TSTB 00",                      {0x5D},       {0, 0x00, 0, 0, fN},                   {0, 0x00, 0, 0, fZ}},
    // CLR clears C; COM sets C; NEG sets C unless zero and V on $80.
    {"CLRB clears C",                {0x5F},       {0, 0x55, 0, 0, fN | fV | fC},         {0, 0x00, 0, 0, fZ}},
    {"CLRA keeps H",                 {0x4F},       {0x55, 0, 0, 0, fH},                   {0x00, 0, 0, 0, fH | fZ}},
    {"COMA FF sets C",               {0x43},       {0xFF, 0, 0, 0, fV},                   {0x00, 0, 0, 0, fZ | fC}},
    {"COMB 00",                      {0x53},       {0, 0x00, 0, 0, 0},                    {0, 0xFF, 0, 0, fN | fC}},
    {"NEGA 01 borrows",              {0x40},       {0x01, 0, 0, 0, 0},                    {0xFF, 0, 0, 0, fN | fC}},
    {"NEGA 00 clears C",             {0x40},       {0x00, 0, 0, 0, fC},                   {0x00, 0, 0, 0, fZ}},
    {"NEGB 80 overflows",            {0x50},       {0, 0x80, 0, 0, 0},                    {0, 0x80, 0, 0, fN | fV | fC}},
    // Shifts: V = N xor C.
    {"ASLA 80",                      {0x48},       {0x80, 0, 0, 0, 0},                    {0x00, 0, 0, 0, fZ | fV | fC}},
    {"ASLB 40",                      {0x58},       {0, 0x40, 0, 0, fC},                   {0, 0x80, 0, 0, fN | fV}},
    {"ASRA 81 keeps the sign",       {0x47},       {0x81, 0, 0, 0, 0},                    {0xC0, 0, 0, 0, fN | fC}},
    {"LSRA 01",                      {0x44},       {0x01, 0, 0, 0, fN},                   {0x00, 0, 0, 0, fZ | fV | fC}},
    {"LSRB 80",                      {0x54},       {0, 0x80, 0, 0, fC},                   {0, 0x40, 0, 0, 0}},
    {"LSRD 0001",                    {0x04},       {0x00, 0x01, 0, 0, fN},                {0x00, 0x00, 0, 0, fZ | fV | fC}},
    {"ASLD 8000",                    {0x05},       {0x80, 0x00, 0, 0, 0},                 {0x00, 0x00, 0, 0, fZ | fV | fC}},
    {"ASLD 4080",                    {0x05},       {0x40, 0x80, 0, 0, 0},                 {0x81, 0x00, 0, 0, fN | fV}},
    // 16-bit arithmetic.
    {"ADDD 8000+8000",               {0xC3, 0x80, 0x00}, {0x80, 0x00, 0, 0, 0},           {0x00, 0x00, 0, 0, fZ | fV | fC}},
    {"ADDD FFFF+0001 is zero",       {0xC3, 0x00, 0x01}, {0xFF, 0xFF, 0, 0, 0},           {0x00, 0x00, 0, 0, fZ | fC}},
    {"ADDD 7FFF+0001 overflows",     {0xC3, 0x00, 0x01}, {0x7F, 0xFF, 0, 0, 0},           {0x80, 0x00, 0, 0, fN | fV}},
    {"SUBD 0000-0001",               {0x83, 0x00, 0x01}, {0x00, 0x00, 0, 0, 0},           {0xFF, 0xFF, 0, 0, fN | fC}},
    {"SUBD 8000-0001 overflows",     {0x83, 0x00, 0x01}, {0x80, 0x00, 0, 0, 0},           {0x7F, 0xFF, 0, 0, fV}},
    {"CPX 1234 with 1235",           {0x8C, 0x12, 0x35}, {0, 0, 0x1234, 0, 0},            {0, 0, 0x1234, 0, fN | fC}},
    {"CPY equal",                    {0x18, 0x8C, 0xAB, 0xCD}, {0, 0, 0, 0xABCD, fC},     {0, 0, 0, 0xABCD, fZ}},
    {"CPD with 1A equal, D kept",    {0x1A, 0x83, 0x12, 0x34}, {0x12, 0x34, 0, 0, fC},    {0x12, 0x34, 0, 0, fZ}},
    {"INX FFFF: Z only",             {0x08},       {0, 0, 0xFFFF, 0, fN | fV | fC},       {0, 0, 0x0000, 0, fN | fZ | fV | fC}},
    {"DEX 0001",                     {0x09},       {0, 0, 0x0001, 0, 0},                  {0, 0, 0x0000, 0, fZ}},
    {"DEY 0000 wraps",               {0x18, 0x09}, {0, 0, 0, 0x0000, fZ},                 {0, 0, 0, 0xFFFF, 0}},
    {"ABX FF01+FF wraps, no flags",  {0x3A},       {0, 0xFF, 0xFF01, 0, fN},              {0, 0xFF, 0x0000, 0, fN}},
    {"ABY",                          {0x18, 0x3A}, {0, 0x80, 0, 0x1000, 0},               {0, 0x80, 0, 0x1080, 0}},
    // MUL: C is bit 7 of the low byte.
    {"MUL FF*FF",                    {0x3D},       {0xFF, 0xFF, 0, 0, fC | fZ},           {0xFE, 0x01, 0, 0, fZ}},
    {"MUL 0C*0C",                    {0x3D},       {0x0C, 0x0C, 0, 0, 0},                 {0x00, 0x90, 0, 0, fC}},
    // IDIV: quotient to IX, remainder to D.
    {"IDIV 7/2",                     {0x02},       {0x00, 0x07, 0x0002, 0, fV | fC | fZ}, {0x00, 0x01, 0x0003, 0, 0}},
    {"IDIV 1/2 quotient zero",       {0x02},       {0x00, 0x01, 0x0002, 0, fN},           {0x00, 0x01, 0x0000, 0, fN | fZ}},
    {"IDIV by zero",                 {0x02},       {0x12, 0x34, 0x0000, 0, fV | fZ},      {0x12, 0x34, 0xFFFF, 0, fC}},
    {"IDIV FFFF/1",                  {0x02},       {0xFF, 0xFF, 0x0001, 0, 0},            {0x00, 0x00, 0xFFFF, 0, 0}},
    // TAB and TBA set N and Z and clear V.
    {"TAB zero sets Z",              {0x16},       {0x00, 0x55, 0, 0, fV | fC},           {0x00, 0x00, 0, 0, fZ | fC}},
    {"TBA negative sets N",          {0x17},       {0x00, 0x80, 0, 0, fZ},                {0x80, 0x80, 0, 0, fN}},
};
// clang-format on

TEST(Arithmetic, ResultsAndConditionCodes) {
    for (const TCase& tc : Cases) {
        SCOPED_TRACE(tc.Name);
        TCPU_68HC11_ cpu;
        uint32_t a = 0xE000;
        for (int b : tc.Code)
            cpu.Memory[a++] = static_cast<uint8_t>(b);
        cpu.PC = 0xE000;
        cpu.ACCA = tc.Before.A;
        cpu.ACCB = tc.Before.B;
        cpu.IX = tc.Before.IX;
        cpu.IY = tc.Before.IY;
        cpu.SetCCR(tc.Before.CCR);
        cpu.ExecuteInstruction();
        EXPECT_EQ(cpu.ACCA, tc.After.A);
        EXPECT_EQ(cpu.ACCB, tc.After.B);
        EXPECT_EQ(cpu.IX, tc.After.IX);
        EXPECT_EQ(cpu.IY, tc.After.IY);
        EXPECT_EQ(cpu.GetCCR(), tc.After.CCR) << std::hex << cpu.GetCCR();
        EXPECT_EQ(cpu.PC, static_cast<int32_t>(a));
    }
}

using ArithmeticMemory = HC11;

TEST_F(ArithmeticMemory, ReadModifyWriteFormsWorkOnTheAddressedByte) {
    // INC $20,X ; DEC $1234 ; NEG $00,Y ; TST $21,X ; CLR $1235 ; COM $01,Y
    Cpu.IX = 0x1000;
    Cpu.IY = 0x3000;
    Put(0x1020, {0x7F, 0x80});
    Put(0x1234, {0x00, 0x99});
    Put(0x3000, {0x01, 0x0F});
    Put(0xE000, {0x6C, 0x20, 0x7A, 0x12, 0x34, 0x18, 0x60, 0x00, 0x6D, 0x21, 0x7F, 0x12, 0x35, 0x18,
                 0x63, 0x01});
    Cpu.PC = 0xE000;
    EXPECT_EQ(Cpu.ExecuteInstruction(), 6);
    EXPECT_EQ(Mem(0x1020), 0x80);
    EXPECT_TRUE(Cpu.V);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 6);
    EXPECT_EQ(Mem(0x1234), 0xFF);
    EXPECT_FALSE(Cpu.C); // DEC keeps C
    EXPECT_EQ(Cpu.ExecuteInstruction(), 7);
    EXPECT_EQ(Mem(0x3000), 0xFF);
    EXPECT_TRUE(Cpu.C);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 6);
    EXPECT_TRUE(Cpu.N);
    EXPECT_EQ(Mem(0x1021), 0x80); // TST writes nothing
    EXPECT_EQ(Cpu.ExecuteInstruction(), 6);
    EXPECT_EQ(Mem(0x1235), 0x00);
    EXPECT_TRUE(Cpu.Z);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 7);
    EXPECT_EQ(Mem(0x3001), 0xF0);
    EXPECT_EQ(Cpu.GetCCR(), fN | fC);
    EXPECT_EQ(Cpu.PC, 0xE010);
}

TEST_F(ArithmeticMemory, BitSetAndClearSetNZAndClearV) {
    Cpu.IY = 0x0100;
    Put(0x0040, {0x00});
    Put(0x0105, {0x5A});
    // BSET $40 #$80 ; BCLR $05,Y #$FF
    Put(0xE000, {0x14, 0x40, 0x80, 0x18, 0x1D, 0x05, 0xFF});
    Cpu.PC = 0xE000;
    Cpu.SetCCR(fV | fC);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 6);
    EXPECT_EQ(Mem(0x0040), 0x80);
    EXPECT_EQ(Cpu.GetCCR(), fN | fC);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 8);
    EXPECT_EQ(Mem(0x0105), 0x00);
    EXPECT_EQ(Cpu.GetCCR(), fZ | fC);
}

TEST_F(ArithmeticMemory, MultiByteAdditionCountedWithDecbKeepsItsCarry) {
    // Adds two 4-byte numbers (low byte last) with ADCA in a loop counted by DECB:
    //        ldx #$0013 ; ldab #4 ; clc
    // loop:  ldaa 0,x ; adca 4,x ; staa 4,x ; dex ; decb ; bne loop
    Put(0x0010, {0x12, 0x34, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01}); // $1234FFFF + $00000001
    Put(0xE000, {0xCE, 0x00, 0x13, 0xC6, 0x04, 0x0C, 0xA6, 0x00, 0xA9, 0x04, 0xA7, 0x04, 0x09, 0x5A,
                 0x26, 0xF6});
    Cpu.PC = 0xE000;
    Cpu.SetBreakpoint(0xE010, true);
    Cpu.Step(100);
    EXPECT_EQ(Cpu.PC, 0xE010);
    EXPECT_EQ(Mem(0x0014), 0x12);
    EXPECT_EQ(Mem(0x0015), 0x35);
    EXPECT_EQ(Mem(0x0016), 0x00);
    EXPECT_EQ(Mem(0x0017), 0x00);
}

TEST_F(ArithmeticMemory, NegatingDWithComaNegbSbcaGivesTheTwosComplement) {
    // coma ; negb ; sbca #$FF  negates D ($0100 -> $FF00, $1234 -> $EDCC)
    const std::pair<int32_t, int32_t> cases[] = {{0x0100, 0xFF00}, {0x1234, 0xEDCC}, {1, 0xFFFF}};
    for (const auto& [d, negated] : cases) {
        SCOPED_TRACE(d);
        Cpu.SetD(d);
        Put(0xE000, {0x43, 0x50, 0x82, 0xFF});
        Cpu.PC = 0xE000;
        Cpu.Step(3);
        EXPECT_EQ(Cpu.GetD(), negated);
    }
}

} // namespace
