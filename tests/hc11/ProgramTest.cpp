// The example listings that need no on-chip peripherals, read by the real listing loader and run
// from their reset vector to their final "bra" to itself, against their expected results.
#include "HC11TestSupport.h"
#include "hc11/ListFileLoader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

namespace {

uint32_t Hex(const QJsonValue& Value) {
    return Value.toString().toUInt(nullptr, 16);
}

class ExampleListing : public HC11, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExampleListing, RunsToDoneWithTheExpectedResults) {
    const QString dir = QStringLiteral(TARVIK_SHARED_EXAMPLES_DIR);
    QFile expected(dir + "/expected.json");
    if (!expected.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no example listings";
    QJsonObject program;
    for (const QJsonValue& p : QJsonDocument::fromJson(expected.readAll())["programs"].toArray())
        if (p["name"].toString() == GetParam()) program = p.toObject();
    if (program.isEmpty()) GTEST_SKIP() << "example not available";

    TResetCounter device(Cpu);
    TKV_68HC11_ListFileLoader loader;
    loader.SetCPU(&Cpu);
    ASSERT_TRUE(loader.LoadFromFile(dir + "/" + program["file"].toString()));
    ASSERT_EQ(loader.LoadToMemory(), 0);
    const int32_t done = Hex(program["done_address"]);
    Cpu.SetBreakpoint(static_cast<uint32_t>(done), true);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
    Cpu.Step(program["max_steps"].toInt());

    ASSERT_EQ(Cpu.PC, done);
    EXPECT_TRUE(Sink.Boxes.empty());
    for (const QJsonValue& check : program["checks"].toArray()) {
        const QByteArray bytes = check["bytes"].toString().toLatin1();
        const auto* at = reinterpret_cast<const char*>(&Cpu.Memory[Hex(check["address"])]);
        EXPECT_EQ(QByteArray(at, bytes.size() / 2).toHex().toUpper().toStdString(),
                  bytes.toStdString())
            << check["what"].toString().toStdString();
    }
    const std::map<QString, int32_t> actual = {{"A", Cpu.ACCA}, {"B", Cpu.ACCB}, {"D", Cpu.GetD()},
                                               {"X", Cpu.IX},   {"Y", Cpu.IY},   {"SP", Cpu.SP}};
    const QJsonObject regs = program["registers"].toObject();
    for (auto it = regs.begin(); it != regs.end(); ++it)
        EXPECT_EQ(actual.at(it.key()), Hex(*it)) << it.key().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleListing,
                         ::testing::Values("bubble_sort", "bin2dec", "data_tables", "sieve_bench"));

} // namespace
