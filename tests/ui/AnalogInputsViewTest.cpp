// The "Analogeingänge" window: German number input, the slider and field kept in step with the
// machine's voltage, the converter value shown, bad input replaced by the voltage in force.
#include "UiTestSupport.h"

#include "machine/Machine.h"
#include "ui/AnalogInputsView.h"

namespace {

TEST(AnalogInputsView, ParsesVoltsWithCommaOrPointAndRejectsTheRest) {
    const struct {
        const char* Text;
        double Volts; // -1: rejected
    } rows[] = {{"2,5", 2.5},  {"2.50", 2.5}, {" 1,25 V", 1.25}, {"5", 5.0},  {"0", 0.0},
                {"0,00v", 0.0}, {"5,01", -1}, {"-0,1", -1},      {"", -1},    {"abc", -1},
                {"2,5,1", -1},  {"nan", -1},  {"inf", -1},       {"1e1", -1}};
    for (const auto& row : rows) {
        const auto v = TAnalogInputsView::parseVolts(QString::fromUtf8(row.Text));
        if (row.Volts < 0)
            EXPECT_FALSE(v.has_value()) << row.Text;
        else
            EXPECT_EQ(v.value_or(-1), row.Volts) << row.Text;
    }
    EXPECT_EQ(TAnalogInputsView::formatVolts(2.5), QStringLiteral("2,50"));
    EXPECT_EQ(TAnalogInputsView::formatVolts(0.0), QStringLiteral("0,00"));
}

// A field's entry sets the machine's voltage, the slider and the value; the slider sets the
// field; a bad entry falls back; refresh shows a voltage set from outside (a stimulus).
TEST(AnalogInputsView, FieldSliderAndMachineAgree) {
    Machine machine;
    TAnalogInputsView view;
    view.setMachine(&machine);
    const struct {
        int Pin;
        const char* Entry; // null: move the slider to Steps instead
        int Steps;
        double Volts;
        const char* Field;
        const char* Value;
    } rows[] = {{0, "2,5", 0, 2.5, "2,50", "$80 (128)"},  {3, "5", 0, 5.0, "5,00", "$FF (255)"},
                {3, "7", 0, 5.0, "5,00", "$FF (255)"},    {3, "x", 0, 5.0, "5,00", "$FF (255)"},
                {7, nullptr, 125, 1.25, "1,25", "$40 (64)"}, {7, nullptr, 0, 0.0, "0,00", "$00 (0)"},
                {1, "1.0 V", 0, 1.0, "1,00", "$33 (51)"}};
    for (const auto& row : rows) {
        if (row.Entry) {
            view.field(row.Pin)->setText(QString::fromUtf8(row.Entry));
            emit view.field(row.Pin)->editingFinished();
        } else {
            view.slider(row.Pin)->setValue(row.Steps == 0 ? 1 : row.Steps);
            view.slider(row.Pin)->setValue(row.Steps);
        }
        EXPECT_DOUBLE_EQ(machine.analogInput(row.Pin), row.Volts) << row.Pin;
        EXPECT_EQ(view.field(row.Pin)->text(), QString::fromUtf8(row.Field));
        EXPECT_EQ(view.valueLabel(row.Pin)->text(), QString::fromUtf8(row.Value));
        EXPECT_EQ(view.slider(row.Pin)->value(), static_cast<int>(std::lround(row.Volts * 100)));
    }
    machine.setAnalogInput(6, 3.3);
    view.refresh();
    EXPECT_EQ(view.field(6)->text(), QStringLiteral("3,30"));
    EXPECT_EQ(view.valueLabel(6)->text(), QStringLiteral("$A8 (168)"));
    // The pin's digital level follows the voltage: PE0 2.5 V, PE3 5 V and PE6 3.3 V high, PE1 1 V and PE7 0 V low.
    EXPECT_EQ(machine.portPins(Machine::Port::PortE), 0x49);
}

} // namespace
