// The port panel on a toolbar, as the window shows it: the value text, red and white cells,
// the input buttons' sum, and texts that fit.
#include "UiTestSupport.h"

#include "ui/KVCPUPortPanel.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

TEST(PortPanel, ShowsTheValueInHexadecimalAndInRedAndWhiteCellsMostSignificantFirst) {
    const struct {
        const char* Caption;
        int Bits;
        int32_t Value;
        const char* Shown;
    } cases[] = {{"Port A", 8, 0xA5, "$A5 10100101"},   {"Port B", 8, 0x0F, "$0F 00001111"},
                 {"Port C", 8, 0x1FF, "$1FF 11111111"}, {"Port D", 6, 0x21, "$21 100001"},
                 {"Port D", 6, 0x40, "$40 000000"},     {"Port E", 8, 0x00, "$00 00000000"}};
    for (const auto& c : cases) {
        QToolBar bar;
        auto* panel = new TKVCPUPortPanel(&bar);
        bar.addWidget(panel);
        panel->SetCaption(c.Caption);
        panel->SetBitCount(c.Bits);
        panel->SetValue(c.Value);
        QString shown = panel->ValueLabel->text() + ' ';
        for (QLabel* cell : panel->BitCells) {
            shown += cell->text();
            // The fill, whatever background the toolbar gives its children.
            EXPECT_EQ(cell->palette().color(cell->backgroundRole()),
                      cell->text() == "1" ? QColor(Qt::red) : QColor(Qt::white));
            EXPECT_TRUE(cell->autoFillBackground());
        }
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(ClippedTexts(*panel), std::vector<std::string>{}) << c.Shown;
    }
}

TEST(PortPanel, InputButtonsSumTheirBitsAndReportEachToggle) {
    TKVCPUPortPanel panel;
    panel.SetBitCount(8);
    std::vector<int32_t> reported;
    panel.OnChange = [&](QObject* Sender) {
        reported.push_back(Sender == &panel ? panel.InputValue() : -1);
    };
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

} // namespace
