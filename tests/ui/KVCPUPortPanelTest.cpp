// The port panel on a toolbar, as the window shows it: the value text, red and white cells,
// the input buttons' sum, and texts that fit.
#include "UiTestSupport.h"

#include "ui/KVCPUPortPanel.h"

TEST(PortPanel, ShowsTheValueInHexadecimalAndInRedAndWhiteCellsMostSignificantFirst) {
    using Case = std::tuple<int, int32_t, const char*>; // bits, value, what the panel shows
    const Case cases[] = {
        {8, 0xA5, "$A5 10100101"}, {8, 0x1FF, "$1FF 11111111"}, {6, 0x61, "$61 100001"}};
    for (const auto& [bits, value, shown] : cases) {
        QToolBar bar; // as the window shows the ports
        auto* panel = new TKVCPUPortPanel(&bar);
        bar.addWidget(panel);
        panel->SetCaption("Port D"), panel->SetBitCount(bits), panel->SetValue(value);
        QString text = panel->ValueLabel->text() + ' ';
        for (QLabel* cell : panel->BitCells) {
            text += cell->text();
            EXPECT_TRUE(cell->autoFillBackground()); // whatever background the toolbar has
            EXPECT_EQ(cell->palette().color(cell->backgroundRole()),
                      cell->text() == "1" ? Qt::red : Qt::white);
        }
        EXPECT_EQ(text, shown);
        EXPECT_EQ(ClippedTexts(*panel), std::vector<std::string>{}) << shown;
    }
}

TEST(PortPanel, InputButtonsSumTheirBitsAndReportEachToggle) {
    TKVCPUPortPanel panel;
    panel.SetBitCount(8);
    std::vector<int32_t> reported;
    panel.OnChange = [&](QObject* S) { reported.push_back(S == &panel ? panel.InputValue() : -1); };
    panel.BitButtons[0]->click(); // an output-only port's buttons are disabled
    panel.SetInputPort(true);
    for (int button : {0, 7, 2, 0}) // bits 7, 0, 5 and 7 up again
        panel.BitButtons[button]->click();
    EXPECT_EQ(reported, (std::vector<int32_t>{0x80, 0x81, 0xA1, 0x21}));
    panel.SetBitCount(6); // new buttons, all up; the sum waits for the next click
    EXPECT_EQ(panel.InputValue(), 0x21);
    panel.BitButtons[0]->click();
    EXPECT_EQ(panel.InputValue(), 0x20);
}
