#pragma once
// A machine for the debugger's tests: a small listing with symbols loaded (so that names and
// address notes resolve), then programs placed byte by byte without a reset.

#include "machine/Machine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <initializer_list>

struct TQuietSink : TMessageSink {
    TMsgResult Show(const QString&, const QString&, TMsgIcon, TMsgButtons) override {
        return TMsgResult::Ok;
    }
};

struct DebugMachineTest : ::testing::Test {
    DebugMachineTest() {
        M.setMessageSink(&Sink);
        const QString file = QDir(Dir.path()).filePath(QStringLiteral("symbols.lst"));
        QFile listing(file);
        EXPECT_TRUE(listing.open(QIODevice::WriteOnly));
        listing.write("       1/       0 : =$40                COUNT\tequ\t$40\n"
                      "       2/    E000 : 8E 00 FF            start:\tlds\t#$00ff\n"
                      "       3/    E003 : 20 FE               loop\tbra\tloop\n"
                      "       4/    0050 : 48 69 21            table\tfcb\t$48,$69,$21\n");
        listing.close();
        QString error;
        EXPECT_TRUE(M.load(file, &error)) << error.toStdString();
        M.cpu().SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
        M.cpu().VectorBase = 0xFF00;
    }
    // Places Code at Address.
    void Place(uint32_t Address, std::initializer_list<uint8_t> Code) {
        for (uint8_t b : Code)
            M.poke(Address++, b);
    }
    // Places Code at Address and points PC at it.
    void Program(uint32_t Address, std::initializer_list<uint8_t> Code) {
        M.setRegister(Machine::Register::PC, Address);
        Place(Address, Code);
    }
    uint32_t reg(Machine::Register R) const { return M.registerValue(R); }

    QTemporaryDir Dir;
    Machine M;
    TQuietSink Sink;
};
