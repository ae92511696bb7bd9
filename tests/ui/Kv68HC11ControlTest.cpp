// The register panel: typing into the fields, the accumulator views, the flags, the display.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "ui/Kv68HC11Control.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace {

using R = TKV68HC11Control::TRegister;

class RegisterPanel : public ::testing::Test {
  protected:
    RegisterPanel() {
        Panel.SetCPU(&Cpu);
        Panel.MessageSink = &Sink;
    }

    // Types Text into the field of Register and leaves the field.
    void Type(R Register, const QString& Text) {
        QLineEdit* edit = Panel.Edit(Register);
        edit->setText(Text);
        Panel.EditExit(edit);
    }

    // The CPU's value behind a field.
    int32_t RegisterValue(R Register) const {
        switch (Register) {
        case R::rIX: return Cpu.IX;
        case R::rIY: return Cpu.IY;
        case R::rPC: return Cpu.PC;
        case R::rACCA: return Cpu.ACCA;
        case R::rACCB: return Cpu.ACCB;
        case R::rACCD: return Cpu.GetD();
        case R::rSP: return Cpu.SP;
        case R::rCCR: return Cpu.GetCCR();
        default: return -1;
        }
    }

    QString Text(R Register) const { return Panel.Edit(Register)->text(); }

    std::vector<bool> Boxes() const {
        std::vector<bool> boxes;
        for (int i = 0; i < TKV68HC11Control::FlagCount; ++i) {
            boxes.push_back(Panel.FlagBox(i)->isChecked());
        }
        return boxes;
    }

    TCPU_68HC11_ Cpu;
    TKV68HC11Control Panel;
    TRecordingSink Sink;
};

TEST(NumberConversion, AcceptsDecimalDollarAndCHexadecimal) {
    const struct {
        const char* Text;
        std::optional<int32_t> Value;
    } cases[] = {
        {"26", 26},
        {"$1A", 26},
        {"$1a", 26},
        {"0x1A", 26},
        {"0X1a", 26},
        {" 42 ", 42},
        {"+7", 7},
        {"-1", -1},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"2147483648", {}},
        {"$100000000", {}},
        {"", {}},
        {"$", {}},
        {"0x", {}},
        {"12a", {}},
        {"$1G", {}},
        {"1 2", {}},
        {"abc", {}},
        {"--1", {}},
        {"$-1", {}},
        {"٣", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvStrToInt(QString::fromUtf8(c.Text)), c.Value) << c.Text;
    }
}

TEST_F(RegisterPanel, EveryFieldTakesHexadecimalAndDecimalWithinItsWidth) {
    const struct {
        R Register;
        const char* Text;
        int32_t Value;
    } cases[] = {
        {R::rIX, "$1234", 0x1234},
        {R::rIX, "65535", 0xFFFF},
        {R::rIX, "0x00ff", 0xFF},
        {R::rIY, "$ABCD", 0xABCD},
        {R::rIY, "0", 0},
        {R::rPC, "$E000", 0xE000},
        {R::rPC, "4096", 0x1000},
        {R::rSP, "$2000", 8192},
        {R::rSP, "255", 0xFF},
        {R::rACCA, "$1A", 26},
        {R::rACCA, "255", 0xFF},
        {R::rACCB, "$05", 5},
        {R::rACCB, "128", 0x80},
        {R::rACCD, "$8001", 0x8001},
        {R::rACCD, "65535", 0xFFFF},
        {R::rCCR, "$D0", 0xD0},
        {R::rCCR, "255", 0xFF},
    };
    for (const auto& c : cases) {
        Type(c.Register, QString::fromLatin1(c.Text));
        EXPECT_EQ(RegisterValue(c.Register), c.Value) << c.Text;
    }
    EXPECT_TRUE(Sink.Messages.empty());
}

TEST_F(RegisterPanel, InvalidOrTooWideTextIsRefusedAndTheRegisterKeepsItsValue) {
    const struct {
        R Register;
        const char* Text;
        const char* Message;
    } cases[] = {
        {R::rIX, "xyz", "'xyz' ist kein gültiger Integerwert"},
        {R::rIX, "$10000", "'$10000' liegt nicht im Wertebereich von IX ($0000 bis $FFFF)"},
        {R::rIY, "-1", "'-1' liegt nicht im Wertebereich von IY ($0000 bis $FFFF)"},
        {R::rPC, "", "'' ist kein gültiger Integerwert"},
        {R::rPC, "65536", "'65536' liegt nicht im Wertebereich von PC ($0000 bis $FFFF)"},
        {R::rSP, "$12G4", "'$12G4' ist kein gültiger Integerwert"},
        {R::rACCA, "$100", "'$100' liegt nicht im Wertebereich von ACCA ($00 bis $FF)"},
        {R::rACCA, "1.5", "'1.5' ist kein gültiger Integerwert"},
        {R::rACCB, "256", "'256' liegt nicht im Wertebereich von ACCB ($00 bis $FF)"},
        {R::rACCD, "$FFFFFFFF",
         "'$FFFFFFFF' liegt nicht im Wertebereich von ACCD ($0000 bis $FFFF)"},
        {R::rACCD, "99999999999", "'99999999999' ist kein gültiger Integerwert"},
        {R::rCCR, "$1FF", "'$1FF' liegt nicht im Wertebereich von CCR ($00 bis $FF)"},
        {R::rCCR, "-128", "'-128' liegt nicht im Wertebereich von CCR ($00 bis $FF)"},
    };
    Cpu.IX = 0x1111;
    Cpu.IY = 0x2222;
    Cpu.PC = 0x3333;
    Cpu.SP = 0x4444;
    Cpu.ACCA = 0x55;
    Cpu.ACCB = 0x66;
    Cpu.SetCCR(0xA5);
    for (const auto& c : cases) {
        Sink.Messages.clear();
        const int32_t before = RegisterValue(c.Register);
        Type(c.Register, QString::fromLatin1(c.Text));
        EXPECT_EQ(RegisterValue(c.Register), before) << c.Text;
        // The field keeps the wrong text so that the user can correct it.
        EXPECT_EQ(Text(c.Register), QString::fromLatin1(c.Text));
        ASSERT_EQ(Sink.Messages.size(), 1u) << c.Text;
        EXPECT_EQ(Sink.Messages[0].Text, QString::fromUtf8(c.Message));
        EXPECT_EQ(Sink.Messages[0].Icon, TMsgIcon::Error);
    }
    EXPECT_EQ(Cpu.GetD(), 0x5566);
    EXPECT_EQ(Cpu.GetCCR(), 0xA5);
}

TEST_F(RegisterPanel, AccumulatorEditsRewriteTheOtherViews) {
    Cpu.ACCB = 5;
    Type(R::rACCA, QStringLiteral("$1A"));
    EXPECT_EQ(Cpu.ACCA, 26);
    EXPECT_EQ(Text(R::rACCD), QStringLiteral("$1A05"));

    Type(R::rACCB, QStringLiteral("255"));
    EXPECT_EQ(Text(R::rACCD), QStringLiteral("$1AFF"));
    // The edited field itself keeps the user's spelling.
    EXPECT_EQ(Text(R::rACCB), QStringLiteral("255"));

    Type(R::rACCD, QStringLiteral("$8001"));
    EXPECT_EQ(Cpu.ACCA, 0x80);
    EXPECT_EQ(Cpu.ACCB, 0x01);
    EXPECT_EQ(Text(R::rACCA), QStringLiteral("$80"));
    EXPECT_EQ(Text(R::rACCB), QStringLiteral("$01"));
    EXPECT_EQ(Text(R::rACCD), QStringLiteral("$8001"));
}

TEST_F(RegisterPanel, CCRFieldAndFlagBoxesFollowEachOther) {
    Type(R::rCCR, QStringLiteral("255"));
    EXPECT_TRUE(Cpu.S && Cpu.X && Cpu.H && Cpu.I && Cpu.N && Cpu.Z && Cpu.V && Cpu.C);
    EXPECT_EQ(Boxes(), std::vector<bool>(8, true));
    EXPECT_EQ(Text(R::rCCR), QStringLiteral("$FF"));

    Type(R::rCCR, QStringLiteral("$A4"));
    EXPECT_EQ(Boxes(), (std::vector<bool>{true, false, true, false, false, true, false, false}));

    // A click on "&Zero" changes Z alone and rewrites the CCR field.
    QCheckBox* zero = Panel.FlagBox(5);
    ASSERT_EQ(zero->text(), QStringLiteral("&Zero"));
    zero->click();
    EXPECT_FALSE(Cpu.Z);
    EXPECT_EQ(Cpu.GetCCR(), 0xA0);
    EXPECT_EQ(Text(R::rCCR), QStringLiteral("$A0"));

    // Each box drives its own bit, S in bit 7 down to C in bit 0.
    Type(R::rCCR, QStringLiteral("0"));
    for (int i = 0; i < 8; ++i) {
        Panel.FlagBox(i)->click();
        EXPECT_EQ(Cpu.GetCCR(), 0x80 >> i) << i;
        EXPECT_EQ(Text(R::rCCR),
                  QStringLiteral("$%1").arg(0x80 >> i, 2, 16, QChar(u'0')).toUpper());
        Panel.FlagBox(i)->click();
    }
}

TEST_F(RegisterPanel, UpdateDisplayShowsTheCPUState) {
    Cpu.PC = 0xE00F;
    Cpu.IX = 0x1;
    Cpu.IY = 0xBEEF;
    Cpu.ACCA = 0x0C;
    Cpu.ACCB = 0xA0;
    Cpu.SP = 0x00FF;
    Cpu.SetCCR(0x51);
    Panel.Edit(R::rCCR)->setText(QStringLiteral("junk"));
    Panel.UpdateDisplay();
    EXPECT_EQ(Text(R::rPC), QStringLiteral("$E00F"));
    EXPECT_EQ(Text(R::rIX), QStringLiteral("$0001"));
    EXPECT_EQ(Text(R::rIY), QStringLiteral("$BEEF"));
    EXPECT_EQ(Text(R::rACCA), QStringLiteral("$0C"));
    EXPECT_EQ(Text(R::rACCB), QStringLiteral("$A0"));
    EXPECT_EQ(Text(R::rACCD), QStringLiteral("$0CA0"));
    EXPECT_EQ(Text(R::rSP), QStringLiteral("$00FF"));
    EXPECT_EQ(Text(R::rCCR), QStringLiteral("$51"));
    EXPECT_EQ(Boxes(), (std::vector<bool>{false, true, false, true, false, false, false, true}));
}

TEST_F(RegisterPanel, LeavingAFieldOrPressingReturnTakesTheText) {
    QLineEdit* ix = Panel.Edit(R::rIX);
    ix->setText(QStringLiteral("$4321"));
    // A context menu takes the focus while the user is still editing.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(ix, &popup);
    EXPECT_EQ(Cpu.IX, 0);
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(ix, &tab);
    EXPECT_EQ(Cpu.IX, 0x4321);

    QLineEdit* iy = Panel.Edit(R::rIY);
    iy->setText(QStringLiteral("77"));
    emit iy->returnPressed();
    EXPECT_EQ(Cpu.IY, 77);
}

TEST_F(RegisterPanel, WithoutACPUNothingHappens) {
    Panel.SetCPU(nullptr);
    Type(R::rACCA, QStringLiteral("nonsense"));
    Panel.UpdateDisplay();
    Panel.FlagBox(0)->click();
    EXPECT_TRUE(Sink.Messages.empty());
    EXPECT_EQ(Text(R::rCCR), QStringLiteral("$00"));

    // A CPU that goes away is dropped.
    auto cpu = std::make_unique<TCPU_68HC11_>();
    Panel.SetCPU(cpu.get());
    cpu.reset();
    EXPECT_EQ(Panel.CPU(), nullptr);
    Panel.UpdateDisplay();
}

TEST_F(RegisterPanel, TextFitsAtTheFixedSizes) {
    Cpu.PC = 0xFFFF;
    Cpu.IX = 0xBBBB;
    Cpu.IY = 0xDDDD;
    Cpu.SP = 0xFFFF;
    Cpu.ACCA = 0xAA;
    Cpu.ACCB = 0x88;
    Cpu.SetCCR(0xD8);
    Panel.UpdateDisplay();
    EXPECT_EQ(Panel.size(), QSize(227, 197));
    EXPECT_EQ(ClippedTexts(Panel), std::vector<std::string>{});
    SaveSnapshot(Panel, QStringLiteral("RegisterPanel"));
}

} // namespace
