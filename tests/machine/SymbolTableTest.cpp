#include "loaders/SymbolTable.h"

#include <gtest/gtest.h>

namespace {

// A listing as the assembler writes it: EQU lines, code and data labels, a label of its own
// line, and the symbol table at the end (with one of the assembler's own symbols, and one name
// that only the table knows).
const QList<QByteArray> Listing = {
    "       1/       0 : =$1000              REGS\tequ\t$1000",
    "       2/       0 : =$0                 TICKS\tequ\t$00\t\t; counter",
    "       3/    E000 : 8E 00 FF            start:\tlds\t#$00ff",
    "       4/    E003 : 20 FE               loop\tbra\tloop",
    "       5/    E005 : 01 02 03            table\tfcb\t1,2,3",
    "       6/    E008 :                     * a comment",
    "",
    "  symbol table:",
    "  -------------",
    "  LOOP                     :     E003 C |  ONLYTABLE                :     E100 C |",
    " *TIME :                    07:43:45 - | *VERSION :                     142F - |",
    "  REGS                     :     1000 -",
};

TEST(SymbolTable, ReadsLabelsValuesAndTheAssemblersTable) {
    SymbolTable table;
    table.addFromListing(Listing);
    struct Expected {
        const char* Name;
        uint32_t Value;
        SymbolTable::Kind Kind;
    };
    const Expected expected[] = {
        {"REGS", 0x1000, SymbolTable::Kind::Value}, {"TICKS", 0, SymbolTable::Kind::Value},
        {"START", 0xE000, SymbolTable::Kind::Code}, {"LOOP", 0xE003, SymbolTable::Kind::Code},
        {"TABLE", 0xE005, SymbolTable::Kind::Data}, {"ONLYTABLE", 0xE100, SymbolTable::Kind::Code},
    };
    for (const auto& e : expected) {
        const auto* symbol = table.find(QString::fromLatin1(e.Name).toLower());
        ASSERT_NE(symbol, nullptr) << e.Name;
        EXPECT_EQ(symbol->Value, e.Value) << e.Name;
        EXPECT_EQ(symbol->SymbolKind, e.Kind) << e.Name;
    }
    EXPECT_EQ(table.size(), 6u); // the assembler's own symbols are left out
    EXPECT_EQ(table.find(QStringLiteral("VERSION")), nullptr);
}

TEST(SymbolTable, NamesAnAddressByTheNearestLabelBeforeIt) {
    SymbolTable table;
    table.addFromListing(Listing);
    const std::pair<uint32_t, const char*> names[] = {
        {0xE000, "START"},     {0xE004, "LOOP+1"}, {0xE0FF, "TABLE+250"},
        {0xE100, "ONLYTABLE"}, {0x1000, "REGS"}, // no label before it: a value that equals it
        {0x0005, ""},                            // neither
    };
    for (const auto& [address, name] : names)
        EXPECT_EQ(table.nameFor(address).toStdString(), name) << address;
    EXPECT_EQ(table.labelAt(0xE003).toStdString(), "LOOP");
    EXPECT_TRUE(table.labelAt(0xE004).isEmpty());
}

} // namespace
