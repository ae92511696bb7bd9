// The port panel: value text, bit cells, input buttons and their sum.
#include "UiTestSupport.h"

#include "ui/KVCPUPortPanel.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// The cells from left to right, as "1"/"0" characters; a cell showing 1 must be red, 0 white.
std::string Cells(const TKVCPUPortPanel& Panel) {
    std::string cells;
    for (QLabel* cell : Panel.BitCells) {
        const bool one = cell->text() == QStringLiteral("1");
        const QColor expected = one ? QColor(Qt::red) : QColor(Qt::white);
        // The colour the cell is filled with, whatever its parent's background role.
        EXPECT_EQ(cell->palette().color(cell->backgroundRole()), expected) << cell->text().toStdString();
        EXPECT_TRUE(cell->autoFillBackground());
        cells += one ? '1' : '0';
    }
    return cells;
}

TEST(PortPanel, ShowsTheValueInHexadecimalAndInTheCells) {
    const struct {
        int Bits;
        int32_t Value;
        const char* Text;
        const char* Cells;
    } cases[] = {
        {8, 0xA5, "$A5", "10100101"},         {8, 0x00, "$00", "00000000"},
        {8, 0x0F, "$0F", "00001111"},         {8, 0x1FF, "$1FF", "11111111"},
        {6, 0x3F, "$3F", "111111"},           {6, 0x1FF, "$1FF", "111111"},
        {6, 0x21, "$21", "100001"},           {6, 0x40, "$40", "000000"},
        {12, 0xABC, "$0ABC", "101010111100"}, {8, -1, "$FFFFFFFF", "11111111"},
    };
    for (const auto& c : cases) {
        // On a toolbar, as the window shows the ports.
        QToolBar bar;
        auto* panel = new TKVCPUPortPanel(&bar);
        bar.addWidget(panel);
        panel->SetBitCount(c.Bits);
        panel->SetValue(c.Value);
        EXPECT_EQ(panel->ValueLabel->text(), QString::fromLatin1(c.Text));
        EXPECT_EQ(Cells(*panel), c.Cells) << c.Text;
        EXPECT_EQ(panel->Value(), c.Value);
    }
}

TEST(PortPanel, BitCountLaysOutCellsAndButtonsMostSignificantFirst) {
    TKVCPUPortPanel panel;
    panel.SetValue(0x81);
    for (int bits : {8, 6}) {
        panel.SetBitCount(bits);
        EXPECT_EQ(panel.width(), 18 * bits + 32);
        ASSERT_EQ(panel.BitCells.size(), bits);
        ASSERT_EQ(panel.BitButtons.size(), bits);
        for (int i = 0; i < bits; ++i) {
            EXPECT_EQ(panel.BitButtons[i]->geometry(), QRect(18 * i + 34, 20, 16, 16));
            EXPECT_EQ(panel.BitCells[i]->geometry(), QRect(18 * i + 34, 0, 16, 16));
            EXPECT_EQ(panel.BitButtons[i]->text(), QString::number(bits - 1 - i));
        }
    }
    // The new cells show the value that was there before.
    EXPECT_EQ(Cells(panel), "000001");
}

TEST(PortPanel, ButtonsSumTheInputValueAndReportEachToggle) {
    TKVCPUPortPanel panel;
    panel.SetInputPort(true);
    panel.SetBitCount(8);
    std::vector<int32_t> reported;
    panel.OnChange = [&](QObject* Sender) {
        EXPECT_EQ(Sender, &panel);
        reported.push_back(panel.InputValue());
    };
    QToolButton* const* b = panel.BitButtons.data();
    b[0]->click(); // bit 7
    b[7]->click(); // bit 0
    b[2]->click(); // bit 5
    b[0]->click(); // bit 7 up again
    EXPECT_EQ(reported, (std::vector<int32_t>{0x80, 0x81, 0xA1, 0x21}));

    // The same count keeps the buttons' states; another count recreates them all up, and the
    // input value waits for the next click.
    panel.SetBitCount(8);
    EXPECT_TRUE(panel.BitButtons[2]->isChecked());
    panel.SetBitCount(6);
    EXPECT_EQ(panel.InputValue(), 0x21);
    for (QToolButton* button : panel.BitButtons)
        EXPECT_FALSE(button->isChecked());
    panel.BitButtons[0]->click(); // bit 5 of a 6-bit port
    EXPECT_EQ(panel.InputValue(), 0x20);
}

TEST(PortPanel, AnOutputOnlyPortHasDisabledButtons) {
    TKVCPUPortPanel panel;
    panel.SetBitCount(8);
    int changes = 0;
    panel.OnChange = [&](QObject*) { ++changes; };
    for (QToolButton* button : panel.BitButtons) {
        EXPECT_FALSE(button->isEnabled());
        button->click();
    }
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(panel.InputValue(), 0);

    panel.SetInputPort(true);
    for (QToolButton* button : panel.BitButtons)
        EXPECT_TRUE(button->isEnabled());
    panel.SetInputPort(false);
    for (QToolButton* button : panel.BitButtons)
        EXPECT_FALSE(button->isEnabled());
}

TEST(PortPanel, BitCountStaysWithinThirtyTwoBits) {
    TKVCPUPortPanel panel;
    panel.SetInputPort(true);
    panel.SetBitCount(40);
    EXPECT_EQ(panel.BitCount(), 32);
    panel.BitButtons[0]->click();
    EXPECT_EQ(static_cast<uint32_t>(panel.InputValue()), 0x80000000u);
    panel.SetBitCount(-3);
    EXPECT_EQ(panel.BitCount(), 0);
    EXPECT_TRUE(panel.BitButtons.isEmpty());
}

TEST(PortPanel, TextFitsAtTheFixedSizes) {
    const struct {
        const char* Caption;
        int Bits;
        bool Input;
        int32_t Value;
    } ports[] = {{"Port A", 8, true, 0xA5},
                 {"Port B", 8, false, 0x3C},
                 {"Port C", 8, true, 0xFF},
                 {"Port D", 6, true, 0x2A},
                 {"Port E", 8, true, 0x00}};
    for (const auto& p : ports) {
        TKVCPUPortPanel panel;
        panel.SetCaption(QString::fromLatin1(p.Caption));
        panel.SetInputPort(p.Input);
        panel.SetBitCount(p.Bits);
        panel.SetValue(p.Value);
        if (p.Input) panel.BitButtons[1]->click();
        EXPECT_EQ(ClippedTexts(panel), std::vector<std::string>{}) << p.Caption;
        SaveSnapshot(panel, QString::fromLatin1(p.Caption).remove(u' '));
    }
}

} // namespace
