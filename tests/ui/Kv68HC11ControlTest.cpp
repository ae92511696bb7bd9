// The register panel: typed values and refused text, the accumulator views, the flags.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "ui/Kv68HC11Control.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

using R = TKV68HC11Control::TRegister;

struct RegisterPanel : ::testing::Test {
    RegisterPanel() {
        Panel.SetCPU(&Cpu);
        Panel.MessageSink = &Sink;
    }
    // Types Text into the field of Register and presses Return.
    void Type(R Register, const QString& Text) {
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
    const struct {
        R Reg;
        int32_t Max;
        const char* Range;
    } fields[] = {
        {R::rIX, 0xFFFF, "IX ($0000 bis $FFFF)"}, {R::rIY, 0xFFFF, "IY ($0000 bis $FFFF)"},
        {R::rPC, 0xFFFF, "PC ($0000 bis $FFFF)"}, {R::rACCA, 0xFF, "ACCA ($00 bis $FF)"},
        {R::rACCB, 0xFF, "ACCB ($00 bis $FF)"},   {R::rACCD, 0xFFFF, "ACCD ($0000 bis $FFFF)"},
        {R::rSP, 0xFFFF, "SP ($0000 bis $FFFF)"}, {R::rCCR, 0xFF, "CCR ($00 bis $FF)"}};
    // Texts that are no 32-bit integer; the first of the refused ones are numbers out of range.
    const QStringList noNumbers{"xyz", "",    "$",   "0x", "$12G4",
                                "1.5", "--1", "$-1", "٣",  "99999999999"};
    for (const auto& f : fields) {
        const QString hexMax = QStringLiteral("$%1").arg(f.Max, 0, 16),
                      decMax = QString::number(f.Max);
        const std::pair<QString, int32_t> accepted[] = {
            {" 0X1a ", 26}, {"+7", 7}, {hexMax, f.Max}, {decMax, f.Max}};
        for (const auto& [text, value] : accepted) {
            Type(f.Reg, text);
            EXPECT_EQ(Registers()[f.Reg], value) << text.toStdString();
        }
        ASSERT_TRUE(Sink.Messages.empty());
        const std::vector<int32_t> before = Registers();
        const QStringList outOfRange{"-1", "$FFFFFFFF", hexMax + '0', QString::number(f.Max + 1)};
        for (const QString& text : outOfRange + noNumbers) {
            Type(f.Reg, text);
            EXPECT_EQ(Registers(), before) << text.toStdString();
            EXPECT_EQ(Text(f.Reg), text); // left for the user to correct
            ASSERT_EQ(Sink.Messages.size(), 1u) << text.toStdString();
            EXPECT_EQ(
                Sink.Messages[0].first,
                outOfRange.contains(text)
                    ? QStringLiteral("'%1' liegt nicht im Wertebereich von %2").arg(text, f.Range)
                    : QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));
            EXPECT_EQ(Sink.Messages[0].second, TMsgIcon::Error);
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
    // Leaving a field takes its text as Return does.
    Panel.Edit(R::rACCD)->setText("$8001");
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Panel.Edit(R::rACCD), &leave);
    EXPECT_EQ(std::pair(Cpu.ACCA, Cpu.ACCB), std::pair(0x80, 0x01));
    EXPECT_EQ(Text(R::rACCA) + Text(R::rACCB) + Text(R::rACCD), "$80$01$8001");
}

TEST_F(RegisterPanel, CCRFieldAndFlagBoxesFollowEachOther) {
    // Each box drives its own bit, S in bit 7 down to C in bit 0, and rewrites the field.
    for (int i = 0; i < TKV68HC11Control::FlagCount; ++i) {
        Type(R::rCCR, QString::number(0x80 >> i));
        EXPECT_TRUE(Panel.FlagBox(i)->isChecked());
        Panel.FlagBox(i)->click();
        EXPECT_EQ(Cpu.GetCCR(), 0) << i;
        EXPECT_EQ(Text(R::rCCR), "$00");
        Panel.FlagBox(i)->click();
        EXPECT_EQ(Text(R::rCCR),
                  QStringLiteral("$%1").arg(0x80 >> i, 2, 16, QChar(u'0')).toUpper());
    }
    Type(R::rCCR, "$A4");
    EXPECT_TRUE(Cpu.S && !Cpu.X && Cpu.H && !Cpu.I && !Cpu.N && Cpu.Z && !Cpu.V && !Cpu.C);
}

TEST_F(RegisterPanel, UpdateDisplayShowsTheCPUStateAndEveryTextFits) {
    Cpu.IX = 0x1, Cpu.IY = 0xBEEF, Cpu.PC = 0xE00F, Cpu.ACCA = 0x0C, Cpu.ACCB = 0xA0,
    Cpu.SP = 0xFFFF;
    Cpu.SetCCR(0x51);
    Panel.UpdateDisplay();
    QStringList texts; // "+": the flag box of the same index is checked (CCR $51: X, I, C)
    for (int r = 0; r < R::RegisterCount; ++r)
        texts << Text(R(r)) + (Panel.FlagBox(r)->isChecked() ? "+" : "");
    EXPECT_EQ(texts.join(u' '), "$0001 $BEEF+ $E00F $0C+ $A0 $0CA0 $FFFF $51+");
    EXPECT_EQ(Panel.size(), QSize(227, 197));
    EXPECT_EQ(ClippedTexts(Panel), std::vector<std::string>{});
}

} // namespace
