// Watch expressions and breakpoint conditions: what the watch grid shows for good and bad
// expressions, what typing a value writes, and when a condition holds.
#include "machine/WatchExpression.h"
#include "machine/BreakpointCondition.h"

#include "DebugTestSupport.h"

namespace {

using Reg = Machine::Register;

struct WatchTest : DebugMachineTest {
    WatchTest() {
        Place(0x40, {0x12, 0x34});
        M.setRegister(Reg::A, 0xFF);
        M.setRegister(Reg::B, 0x07);
        M.setRegister(Reg::X, 0x0050);
        M.setRegister(Reg::PC, 0xE005);
        M.setRegister(Reg::CCR, 0xD4);
    }
};

TEST_F(WatchTest, ShowsRegistersMemoryAndFormats) {
    const std::pair<const char*, const char*> cases[] = {
        {"A", "$FF"},
        {"a,d", "255"},
        {"A,s", "-1"},
        {"B,2", "%00000111"},
        {"D", "$FF07"},
        {"CCR", "$D4"},
        {"PC", "$E005 (LOOP+2)"},
        {"X", "$0050 (TABLE)"},
        {"COUNT", "$12"},
        {"count,w", "$1234"},
        {"COUNT,ws", "4660"},
        {"COUNT,w,d", "4660"},
        {"$40,d", "18"},
        {"64", "$12"},
        {"0x41", "$34"},
        {"%1000000", "$12"},
        {"COUNT+1", "$34"},
        {"X+1,c", "'i'"},
        {"X - 16", "$12"},
        {"TABLE+X-$50,c", "'H'"},
        {"TABLE,3", "$48 $69 $21"},
        {"TABLE,3,c", "\"Hi!\""},
        {"TABLE,3,d", "72 105 33"},
        {"COUNT,1", "$12"},
        {"COUNT,c", "$12"}, // not printable: the byte in hex
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(evaluateWatch(QString::fromUtf8(text), M).toStdString(), shown) << text;
}

TEST_F(WatchTest, BadExpressionsGiveAShortReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "Leerer Ausdruck"},
        {"  ", "Leerer Ausdruck"},
        {"FOO", "Unbekanntes Symbol „FOO“"},
        {"COUNT,q", "Unbekanntes Format „q“"},
        {"COUNT,", "Format fehlt nach dem Komma"},
        {"A,w", "Register haben eine feste Größe"},
        {"PC,4", "Register haben eine feste Größe"},
        {"COUNT,65", "Bytezahl 1 bis 64"},
        {"COUNT,0", "Bytezahl 1 bis 64"},
        {"COUNT,w,3", "Zwei Größen angegeben"},
        {"COUNT+", "Operand fehlt"},
        {"COUNT COUNT", "+ oder - erwartet vor „COUNT“"},
        {"COUNT*2", "Unerwartetes Zeichen „*“"},
        {"$10000", "Ungültige Adresse „$10000“"},
        {"12G", "Ungültige Adresse „12G“"},
        {"%102", "Ungültige Adresse „%102“"},
    };
    for (const auto& [text, reason] : cases)
        EXPECT_EQ(evaluateWatch(QString::fromUtf8(text), M).toStdString(), reason) << text;
}

TEST_F(WatchTest, TypedValuesAreWrittenOnlyWhenTheyFit) {
    struct Case {
        const char* Expression;
        const char* Typed;
        const char* Error; // empty: written
        const char* Expect;
        const char* ShownAfter;
    };
    const Case cases[] = {
        {"A", "$10", "", "A", "$10"},
        {"A", "-2", "", "A", "$FE"},
        {"A", "300", "Wert passt nicht in ein Byte", "A", "$FE"},
        {"X", "$1234", "", "X,d", "4660"},
        {"COUNT,w", "$BEEF", "", "COUNT,w", "$BEEF"},
        {"COUNT,w", "$10000", "Wert passt nicht in ein Wort", "COUNT,w", "$BEEF"},
        {"COUNT", "'Z'", "", "COUNT,c", "'Z'"},
        {"COUNT", "zz", "Ungültiger Wert „zz“", "COUNT,c", "'Z'"},
        {"COUNT", "", "Wert fehlt", "COUNT,c", "'Z'"},
        {"COUNT", "1 2", "Nur ein Wert erwartet", "COUNT,c", "'Z'"},
        {"TABLE,3", "1 2 3", "", "TABLE,3,d", "1 2 3"},
        {"TABLE,3", "1 2 3 4", "Höchstens 3 Werte", "TABLE,3,d", "1 2 3"},
        {"TABLE,3,c", "\"abc\"", "", "TABLE,3,c", "\"abc\""},
        {"X+2", "%101", "", "TABLE+2,d", "5"},
    };
    for (const Case& c : cases) {
        QString error;
        auto e = parseWatch(QString::fromUtf8(c.Expression), M.symbols(), &error);
        ASSERT_TRUE(e) << c.Expression;
        if (QString::fromUtf8(c.Expression) == "X+2") M.setRegister(Reg::X, 0x50);
        EXPECT_EQ(e->write(M, QString::fromUtf8(c.Typed), &error), !*c.Error) << c.Expression;
        if (*c.Error) {
            EXPECT_EQ(error.toStdString(), c.Error) << c.Expression;
        }
        EXPECT_EQ(evaluateWatch(QString::fromUtf8(c.Expect), M).toStdString(), c.ShownAfter)
            << c.Expression << " " << c.Typed;
    }
}

TEST_F(WatchTest, ConditionsCompareAnExpressionWithAValue) {
    const std::pair<const char*, bool> holds[] = {
        {"A=$FF", true},          {"A == 255", true},   {"A<>$FF", false},   {"A!=0", true},
        {"A,s<0", true},          {"A,s>=-1", true},    {"A<0", false},      {"COUNT,w>1000", true},
        {"COUNT,w<=$1234", true}, {"COUNT>$12", false}, {"X+1,c=105", true},
    };
    for (const auto& [text, expected] : holds) {
        QString error;
        const auto c = parseCondition(QString::fromUtf8(text), M.symbols(), &error);
        ASSERT_TRUE(c) << text << ": " << error.toStdString();
        EXPECT_EQ(c->holds(M), expected) << text;
    }
    const std::pair<const char*, const char*> bad[] = {
        {"A", "Vergleich fehlt (=, <>, <, >, <=, >=)"},
        {"A=", "Wert fehlt"},
        {"A=x1", "Ungültiger Wert „x1“"},
        {"TABLE,3=1", "Eine Bytezeile lässt sich nicht vergleichen"},
        {"FOO=1", "Unbekanntes Symbol „FOO“"},
    };
    for (const auto& [text, reason] : bad) {
        QString error;
        EXPECT_FALSE(parseCondition(QString::fromUtf8(text), M.symbols(), &error)) << text;
        EXPECT_EQ(error.toStdString(), reason) << text;
    }
}

} // namespace
