// The memory view's headless parts: addresses as a user types them, and the pictures of the
// address space whose difference marks the bytes changed since the stop before.
#include "machine/MemoryImage.h"
#include "loaders/SymbolTable.h"
#include "machine/Machine.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryImage, AddressesByNumberSymbolAndOffset) {
    SymbolTable symbols;
    symbols.add(QStringLiteral("LOOP"), 0xE010, SymbolTable::Kind::Code);
    symbols.add(QStringLiteral("TABLE"), 0x0100, SymbolTable::Kind::Data);
    symbols.add(QStringLiteral("REGS"), 0x1000, SymbolTable::Kind::Value);
    const struct {
        const char* Text;
        int64_t Address; // -1: none
    } rows[] = {{"$E000", 0xE000},  {"0xe000", 0xE000},  {"57344", 0xE000},
                {" loop ", 0xE010}, {"TABLE+3", 0x0103}, {"table + $10", 0x0110},
                {"REGS-1", 0x0FFF}, {"$FFFF", 0xFFFF},   {"LOOP-$E010", 0},
                {"$10000", -1},     {"0-1", -1},         {"NOPE", -1},
                {"", -1},           {"TABLE+", -1},      {"LOOP+$2000", -1},
                {"E000", -1},       {"+5", -1},          {"TABLE+X", -1}};
    for (const auto& row : rows) {
        const auto address = parseAddressText(QString::fromLatin1(row.Text), symbols);
        if (row.Address < 0)
            EXPECT_FALSE(address) << row.Text;
        else
            EXPECT_EQ(address.value_or(0x10000), row.Address) << row.Text;
    }
}

// A byte counts as changed when it differs between the last two pictures; the register block
// is pictured as a program reads it, and taking a picture clears no flag.
TEST(MemoryImage, ChangedBetweenTheLastTwoPictures) {
    Machine m;
    m.poke(0x0010, 0x11);
    MemoryImage image;
    image.take(m);
    image.settle();
    EXPECT_FALSE(image.changed(0x0010));
    m.poke(0x0010, 0x22);
    m.poke(0x0011, 0x00); // written, but the same value
    image.take(m);
    EXPECT_TRUE(image.changed(0x0010));
    EXPECT_FALSE(image.changed(0x0011));
    EXPECT_EQ(image.at(0x0010), 0x22);
    EXPECT_EQ(image.at(0x102E), 0xC0); // SCSR: TDRE and TC
    image.take(m);
    EXPECT_FALSE(image.changed(0x0010));
    EXPECT_EQ(m.peek(0x102E), 0xC0);
}

} // namespace
