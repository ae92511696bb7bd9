// The register panel: typed values and refused text, the accumulator views, the flags.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "ui/Kv68HC11Control.h"

using R = TKV68HC11Control::TRegister;

struct RegisterPanel : ::testing::Test {
    void SetUp() override { Panel.SetCPU(&Cpu), Panel.MessageSink = &Sink; }
    void Type(R Register, const QString& Text) { // into the field, then Return
        Panel.Edit(Register)->setText(Text);
        emit Panel.Edit(Register)->returnPressed();
    }
    QString Text(R Register) const { return Panel.Edit(Register)->text(); }
    std::vector<int32_t> Registers() const { // in the order of TRegister
        return {Cpu.IX, Cpu.IY, Cpu.PC, Cpu.ACCA, Cpu.ACCB, Cpu.GetD(), Cpu.SP, Cpu.GetCCR()};
    }
    TCPU_68HC11_ Cpu;
    TKV68HC11Control Panel;
    TRecordingSink Sink;
};

TEST_F(RegisterPanel, FieldsTakeNumbersWithinTheirWidthAndRefuseTheRestInGerman) {
    const QStringList ranges{"IX ($0000 bis $FFFF)", "IY ($0000 bis $FFFF)",
                             "PC ($0000 bis $FFFF)", "ACCA ($00 bis $FF)",
                             "ACCB ($00 bis $FF)",   "ACCD ($0000 bis $FFFF)",
                             "SP ($0000 bis $FFFF)", "CCR ($00 bis $FF)"};
    const QStringList noNumbers{"xyz", "",    "$",   "0x", "$12G4",
                                "1.5", "--1", "$-1", "٣",  "99999999999"};
    for (int r = 0; r < R::RegisterCount; ++r) {
        const int32_t max = ranges[r].contains("$FFFF") ? 0xFFFF : 0xFF;
        const QString hexMax = QStringLiteral("$%1").arg(max, 0, 16);
        const std::pair<QString, int32_t> accepted[] = {
            {" 0X1a ", 26}, {"+7", 7}, {hexMax, max}, {QString::number(max), max}};
        for (const auto& [text, value] : accepted) {
            Type(R(r), text);
            EXPECT_EQ(Registers()[r], value) << text.toStdString();
        }
        const std::vector<int32_t> before = Registers();
        const QStringList outOfRange{"-1", "$FFFFFFFF", hexMax + '0', QString::number(max + 1)};
        for (const QString& text : outOfRange + noNumbers) {
            Type(R(r), text);
            EXPECT_EQ(Registers(), before) << text.toStdString();
            EXPECT_EQ(Text(R(r)), text); // left for the user to correct
            const QString message =
                outOfRange.contains(text)
                    ? QStringLiteral("'%1' liegt nicht im Wertebereich von %2").arg(text, ranges[r])
                    : QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text);
            EXPECT_EQ(Sink.Messages, (std::vector{std::pair(message, TMsgIcon::Error)}));
            Sink.Messages.clear();
        }
    }
}

TEST_F(RegisterPanel, AccumulatorEditsRewriteTheOtherViews) {
    Cpu.ACCB = 5;
    Type(R::rACCA, "$1A");
    EXPECT_EQ(Text(R::rACCD), "$1A05");
    Type(R::rACCB, "255");
    EXPECT_EQ(Text(R::rACCB) + Text(R::rACCD), "255$1AFF"); // the edited field keeps its spelling
    Panel.Edit(R::rACCD)->setText("$8001"); // leaving the field takes the text as Return does
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Panel.Edit(R::rACCD), &leave);
    EXPECT_EQ(Text(R::rACCA) + Text(R::rACCB) + Text(R::rACCD), "$80$01$8001");
}

TEST_F(RegisterPanel, FlagBoxesAndTheCCRFieldFollowEachOtherAndEveryTextFits) {
    for (int i = 0; i < TKV68HC11Control::FlagCount; ++i) { // S in bit 7 down to C in bit 0
        Type(R::rCCR, QString::number(0x80 >> i));
        EXPECT_TRUE(Panel.FlagBox(i)->isChecked() && Cpu.GetCCR() == 0x80 >> i) << i;
        Panel.FlagBox(i)->click(); // takes the bit away and rewrites the field
        EXPECT_EQ(Text(R::rCCR) + QString::number(Cpu.GetCCR()), "$000") << i;
    }
    Cpu.IX = Cpu.IY = Cpu.SP = Cpu.PC = 0xDDDD, Cpu.ACCA = Cpu.ACCB = 0xDD;
    Cpu.SetCCR(0xFF);
    Panel.UpdateDisplay(); // the widest texts
    EXPECT_EQ(Text(R::rPC) + Text(R::rACCD) + Text(R::rCCR), "$DDDD$DDDD$FF");
    EXPECT_EQ(ClippedTexts(Panel), std::vector<std::string>{});
}
