// The "Signale" window on a real record: the demo's real-time interrupt toggles PB0 every 8192
// cycles. The mapping between cycles and pixels, the level index, edge search, the cursor texts,
// zooming around the mouse, following a run, and the value change dump read back.
#include "UiTestSupport.h"

#include "machine/Machine.h"
#include "ui/SignalTimeline.h"
#include "ui/SignalView.h"


using namespace SignalTimeline;

namespace {

constexpr int PB0 = 8;

// A mouse event as the platform would deliver it to Target.
void Mouse(QWidget* Target, QEvent::Type Type, Qt::MouseButton Button, QPoint At,
           Qt::KeyboardModifiers Modifiers = {}) {
    const Qt::MouseButtons held = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Button);
    QMouseEvent event(Type, QPointF(At), Target->mapToGlobal(QPointF(At)), Type == QEvent::MouseMove ? Qt::NoButton : Button,
                      held, Modifiers);
    QApplication::sendEvent(Target, &event);
}
void Click(QWidget* Target, Qt::MouseButton Button, QPoint At, Qt::KeyboardModifiers Modifiers = {}) {
    Mouse(Target, QEvent::MouseButtonPress, Button, At, Modifiers);
    Mouse(Target, QEvent::MouseButtonRelease, Button, At, Modifiers);
}

TEST(SignalTimeline, TimesAndFrequenciesInGermanWithFourDigits) {
    const struct {
        double Seconds;
        const char* Text;
    } durations[] = {
        {8192 / 2e6, "4,096 ms"}, {0.5e-6, "500,0 ns"}, {1.5, "1,500 s"}, {0, "0 s"},
        {999.96e-6, "1,000 ms"},  {12e-6, "12,00 µs"},  {2500, "2500 s"},
    };
    for (const auto& d : durations) EXPECT_EQ(formatDuration(d.Seconds), QString::fromUtf8(d.Text)) << d.Seconds;
    const struct {
        double Hertz;
        const char* Text;
    } frequencies[] = {
        {2e6 / 8192, "244,1 Hz"}, {1e6, "1,000 MHz"}, {999.99, "1,000 kHz"}, {0.5, "500,0 mHz"}, {50, "50,00 Hz"},
    };
    for (const auto& f : frequencies) EXPECT_EQ(formatFrequency(f.Hertz), QString::fromUtf8(f.Text)) << f.Hertz;
    EXPECT_EQ(formatCycles(8192), "8192 Zyklen");
    EXPECT_EQ(formatCycles(1), "1 Zyklus");
}

TEST(SignalTimeline, AxisStepsAreOneTwoFiveAndTicksShowTheDecimalsTheStepNeeds) {
    const std::pair<double, double> steps[] = {{0.7, 1}, {1, 1}, {1.01, 2}, {3, 5}, {7, 10}, {41e3, 50e3}, {1.2e-4, 2e-4}};
    for (const auto& [raw, step] : steps) EXPECT_DOUBLE_EQ(niceStep(raw), step) << raw;
    const struct {
        double Seconds, Step;
        const char* Text;
    } ticks[] = {
        {0.0125, 0.0005, "12,5 ms"}, {0.012, 0.002, "12 ms"}, {3e-6, 1e-6, "3 µs"},
        {2.5e-7, 5e-8, "0,25 µs"}, {2.5e-7, 5e-9, "250 ns"}, {0.0121, 5e-5, "12,10 ms"},    {1.5, 0.5, "1,5 s"},     {20, 10, "20 s"},
    };
    for (const auto& t : ticks) EXPECT_EQ(formatTimeTick(t.Seconds, t.Step), QString::fromUtf8(t.Text)) << t.Seconds;
}

TEST(SignalTimeline, ZoomKeepsTheCycleUnderThePixelAndStaysWithinBounds) {
    const struct {
        Scale From;
        double X, Factor;
    } cases[] = {{{1000, 10}, 0, 0.5}, {{1000, 10}, 400, 2}, {{-50, 0.8}, 123.5, 0.25}, {{5e6, 3000}, 799, 1.25}};
    for (const auto& c : cases) {
        const Scale zoomed = c.From.zoomedAround(c.X, c.Factor);
        EXPECT_NEAR(zoomed.cycle(c.X), c.From.cycle(c.X), 1e-6);
        EXPECT_DOUBLE_EQ(zoomed.CyclesPerPixel, c.From.CyclesPerPixel * c.Factor);
    }
    EXPECT_DOUBLE_EQ((Scale{0, 0.2}.zoomedAround(10, 0.01).CyclesPerPixel), MinCyclesPerPixel);
    EXPECT_DOUBLE_EQ((Scale{0, 1e9}.zoomedAround(10, 100).CyclesPerPixel), MaxCyclesPerPixel);
}

struct SignalViewOnDemo : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(System.load(TARVIK_EXAMPLES_DIR "/demo.lst"));
        System.run({{}, 200000});
        for (size_t i = 0; i < System.signalRecord().size(); ++i)
            if (System.signalRecord().at(i).Signal == PB0) Pb0.push_back(System.signalRecord().at(i).Cycle);
        ASSERT_GE(Pb0.size(), 20u);
        View.MessageSink = &Sink;
        View.resize(1000, 320);
        View.setMachine(&System);
        View.show();
        QApplication::processEvents();
    }
    Machine System;
    TSignalView View;
    TRecordingSink Sink;
    std::vector<int64_t> Pb0; // the cycles at which PB0 changed
};

TEST_F(SignalViewOnDemo, EdgesOfPb0AreTheRecordedChangesAbout8192CyclesApart) {
    for (size_t k = 1; k < Pb0.size(); ++k) EXPECT_NEAR(Pb0[k] - Pb0[k - 1], 8192, 6);
    const SignalRecorder& record = System.signalRecord();
    // From just before, at and after each change.
    for (size_t k = 0; k + 1 < Pb0.size(); ++k) {
        EXPECT_EQ(nextEdge(record, rowSignals(PB0), Pb0[k] - 1), Pb0[k]);
        EXPECT_EQ(nextEdge(record, rowSignals(PB0), Pb0[k]), Pb0[k + 1]);
        EXPECT_EQ(previousEdge(record, rowSignals(PB0), Pb0[k + 1]), Pb0[k]);
        EXPECT_EQ(previousEdge(record, rowSignals(PB0), Pb0[k + 1] + 1), Pb0[k + 1]);
    }
    EXPECT_EQ(previousEdge(record, rowSignals(PB0), Pb0.front()), std::nullopt);
    EXPECT_EQ(nextEdge(record, rowSignals(PB0), Pb0.back()), std::nullopt);
    // The bus row of port B changes with PB0 (and more often it does not).
    EXPECT_EQ(nextEdge(record, rowSignals(busRow(1)), Pb0[3] - 1), Pb0[3]);

    // The buttons walk cursor 1 along the selected row.
    View.selectRow(PB0);
    View.setCursorCycle(1, Pb0[2] - 100);
    View.findChild<QToolButton*>("NextEdgeButton")->click();
    EXPECT_EQ(View.cursorCycle(1), Pb0[2]);
    View.findChild<QToolButton*>("NextEdgeButton")->click();
    EXPECT_EQ(View.cursorCycle(1), Pb0[3]);
    View.findChild<QToolButton*>("PreviousEdgeButton")->click();
    EXPECT_EQ(View.cursorCycle(1), Pb0[2]);
    // An edge outside the view is brought into its middle.
    View.setScale({0, 10});
    EXPECT_TRUE(View.goToEdge(true, PB0));
    EXPECT_EQ(View.cursorCycle(1), Pb0[3]);
    const auto [first, last] = View.visibleCycles();
    EXPECT_TRUE(first <= Pb0[3] && Pb0[3] <= last);
    // Nothing to go to: the cursor stays.
    View.setCursorCycle(1, Pb0.back());
    EXPECT_FALSE(View.goToEdge(true, PB0));
    EXPECT_EQ(View.cursorCycle(1), Pb0.back());
    View.selectRow(-1);
    EXPECT_FALSE(View.goToEdge(true));
}

TEST_F(SignalViewOnDemo, VisibleRangeHoldsExactlyTheChangesBetweenItsFirstAndLastPixel) {
    const SignalRecorder& record = System.signalRecord();
    const Scale scales[] = {{0, 1}, {50000, 37.5}, {Pb0[5] - 0.5, 0.25}, {-1e6, 1e4}, {250000, 10}};
    for (const Scale& scale : scales) {
        View.setScale(scale);
        const auto [first, last] = View.visibleCycles();
        EXPECT_EQ(first, static_cast<int64_t>(std::floor(scale.Origin)));
        EXPECT_EQ(last, static_cast<int64_t>(std::ceil(scale.cycle(View.timeAreaWidth()))));
        size_t begin = record.size(), end = 0;
        for (size_t i = 0; i < record.size(); ++i) {
            if (record.at(i).Cycle < first || record.at(i).Cycle > last) continue;
            begin = std::min(begin, i);
            end = i + 1;
        }
        if (end == 0) begin = end = View.visibleChanges().first; // none: an empty range anywhere
        EXPECT_EQ(View.visibleChanges(), std::pair(begin, end)) << scale.Origin;
    }
}

TEST_F(SignalViewOnDemo, CursorsShowTheTimeBetweenThemAndItsFrequency) {
    const struct {
        int64_t One, Two;
        bool Time;
        const char* Has;
    } cases[] = {
        {Pb0[1], Pb0[1] + 8192, false, "Δt = 8192 Zyklen = 4,096 ms   1/Δt = 244,1 Hz"},
        {Pb0[1] + 8192, Pb0[1], false, "Δt = 8192 Zyklen = 4,096 ms"},
        {1000, 1001, false, "Δt = 1 Zyklus = 500,0 ns   1/Δt = 2,000 MHz"},
        {4000, 4000, false, "1/Δt = –"},
        {4000, 6000, true, "Cursor 1: 2,000 ms   Cursor 2: 3,000 ms"},
        {4000, 6000, false, "Cursor 1: Zyklus 4000   Cursor 2: Zyklus 6000"},
    };
    for (const auto& c : cases) {
        View.setTimeAxis(c.Time);
        View.setCursorCycle(1, c.One);
        View.setCursorCycle(2, c.Two);
        EXPECT_TRUE(View.cursorText().contains(QString::fromUtf8(c.Has))) << View.cursorText().toStdString();
        EXPECT_EQ(View.findChild<QLabel*>("SignalStatus")->text(), View.cursorText());
    }
    EXPECT_EQ(View.noteText(), ""); // the demo's short record is complete
    // Clicks set the cursors: plain for 1, with shift for 2, a right click for 2 as well.
    QWidget* canvas = View.canvas();
    const int y = TSignalView::AxisHeight + TSignalView::RowHeight / 2;
    const int left = View.timeAreaLeft();
    View.setScale({10000, 10});
    Click(canvas, Qt::LeftButton, QPoint(left + 100, y));
    Click(canvas, Qt::LeftButton, QPoint(left + 300, y), Qt::ShiftModifier);
    EXPECT_EQ(std::pair(View.cursorCycle(1), View.cursorCycle(2)),
              std::pair(std::optional<int64_t>(11000), std::optional<int64_t>(13000)));
    Click(canvas, Qt::RightButton, QPoint(left + 50, y));
    EXPECT_EQ(View.cursorCycle(2), 10500);
    EXPECT_EQ(View.selectedRow(), View.rows().front());
}

TEST_F(SignalViewOnDemo, TheWheelZoomsAroundTheMouseAndDraggingPans) {
    QWidget* canvas = View.canvas();
    const int left = View.timeAreaLeft();
    View.setScale({20000, 50});
    const struct {
        int X;
        int Delta;
    } wheels[] = {{left + 10, 120}, {left + 500, 120}, {left + 777, -240}, {left + 300, -120}, {left + 1, 360}};
    for (const auto& w : wheels) {
        const double before = View.scale().cycle(w.X - left);
        const double perPixel = View.scale().CyclesPerPixel;
        QWheelEvent wheel(QPointF(w.X, 40), canvas->mapToGlobal(QPointF(w.X, 40)), {}, QPoint(0, w.Delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
        EXPECT_NEAR(View.scale().cycle(w.X - left), before, 1e-6) << w.X;
        EXPECT_EQ(View.scale().CyclesPerPixel < perPixel, w.Delta > 0) << "away from the user zooms in";
    }
    // A drag to the right by 200 pixels shows what was 200 pixels further left; no cursor moves.
    View.setScale({100000, 20});
    View.setCursorCycle(1, std::nullopt);
    Mouse(canvas, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(left + 100, 40));
    Mouse(canvas, QEvent::MouseMove, Qt::LeftButton, QPoint(left + 300, 40));
    Mouse(canvas, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(left + 300, 40));
    EXPECT_DOUBLE_EQ(View.scale().Origin, 100000 - 200 * 20);
    EXPECT_EQ(View.cursorCycle(1), std::nullopt);
}

TEST_F(SignalViewOnDemo, FollowsTheRunWhileTheNewestCycleIsInViewAndGanzShowsAll) {
    View.refresh();
    EXPECT_TRUE(View.following());
    EXPECT_NEAR(View.visibleCycles().second, System.cpu().CycleCount, 1);
    System.run({{}, 50000});
    View.refresh();
    EXPECT_NEAR(View.visibleCycles().second, System.cpu().CycleCount, 1);
    // Panned back in time it stays where the user put it.
    View.panBy(-300);
    EXPECT_FALSE(View.following());
    const auto kept = View.visibleCycles();
    System.run({{}, 50000});
    View.refresh();
    EXPECT_EQ(View.visibleCycles(), kept);
    // "Ganz": from the start of the record to the newest cycle, also as the record grows.
    View.findChild<QToolButton*>("WholeButton")->click();
    for (int round = 0; round < 2; ++round) {
        EXPECT_NEAR(View.visibleCycles().first, System.signalRecord().completeFrom(), 1);
        EXPECT_NEAR(View.visibleCycles().second, System.cpu().CycleCount, 1);
        System.run({{}, 80000});
        View.refresh();
    }
}

// A small reader of value change dumps: the changes of one wire, as cycles.
std::vector<int64_t> ReadVcdWire(const QString& FileName, const QByteArray& Wire) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray id;
    double unitsPerCycle = 0, zeroCycle = 0;
    double unitSeconds = 0;
    int64_t time = 0;
    bool dumping = false;
    std::vector<int64_t> changes;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const QList<QByteArray> words = line.split(' ');
        if (line.startsWith("$comment")) { // "... E clock 2000000 Hz, time 0 = cycle N $end"
            const int at = words.indexOf("clock");
            unitsPerCycle = words.value(at + 1).toDouble();
            zeroCycle = words.value(words.indexOf("cycle") + 1).toDouble();
        } else if (line.startsWith("$timescale")) {
            unitSeconds = words.value(2) == "ns" ? 1e-9 : words.value(2) == "ps" ? 1e-12 : 0;
        } else if (line.startsWith("$var") && words.value(4) == Wire) {
            id = words.value(3);
        } else if (line.startsWith("$enddefinitions")) {
            unitsPerCycle = 1 / (unitsPerCycle * unitSeconds); // units of time per cycle
        } else if (line.startsWith('#')) {
            time = line.mid(1).toLongLong();
            dumping = true;
        } else if (dumping && line.size() == 1 + id.size() && line.mid(1) == id && time > 0) {
            changes.push_back(std::llround(static_cast<double>(time) / unitsPerCycle + zeroCycle));
        }
    }
    return changes;
}

TEST_F(SignalViewOnDemo, VcdExportWritesTheRecordThatAReaderParsesBack) {
    QTemporaryDir dir;
    const QString name = QDir(dir.path()).filePath("signale.vcd");
    View.AskSaveFileName = [name] { return name; };
    View.findChild<QToolButton*>("VcdButton")->click();
    EXPECT_TRUE(Sink.Messages.empty());
    EXPECT_EQ(ReadVcdWire(name, "PB0"), Pb0);
    // Cancelled: nothing written, nothing said.
    View.AskSaveFileName = [] { return QString(); };
    View.exportVcd();
    EXPECT_TRUE(Sink.Messages.empty());
    // A folder that does not exist: a German message, no file.
    EXPECT_FALSE(View.exportVcdTo(QDir(dir.path()).filePath("fehlt/signale.vcd")));
    ASSERT_EQ(Sink.Messages.size(), 1u);
    EXPECT_TRUE(Sink.Messages[0].first.contains("kann nicht geschrieben werden")) << Sink.Messages[0].first.toStdString();
    EXPECT_EQ(Sink.Messages[0].second, TMsgIcon::Error);
}

// What is painted: PB0's edge at the pixel of its cycle, high and low on the right sides of it.
TEST_F(SignalViewOnDemo, PaintsEachEdgeAtThePixelOfItsCycle) {
    View.setRows({PB0});
    View.setScale({Pb0[4] - 200.0 * 10, 10}); // the edge at pixel 200
    const QImage image = View.canvas()->grab().toImage();
    const int x = View.timeAreaLeft() + 200;
    const int top = TSignalView::AxisHeight;
    const auto green = [&](int X, int Y) { return image.pixelColor(X, Y) == QColor(0x00, 0x70, 0x00); };
    // Every change of PB0 in the view is an edge: the line from high to low at its pixel.
    int edgeRows = 0;
    for (int y = top + 4; y <= top + TSignalView::RowHeight - 5; ++y) edgeRows += green(x, y);
    EXPECT_EQ(edgeRows, TSignalView::RowHeight - 8);
    const int levelAfter = System.signalRecord().at(firstChangeFrom(System.signalRecord(), Pb0[4])).Value;
    const int high = top + 4, low = top + TSignalView::RowHeight - 5;
    EXPECT_TRUE(green(x + 20, levelAfter ? high : low));
    EXPECT_TRUE(green(x - 20, levelAfter ? low : high));
    EXPECT_FALSE(green(x - 20, levelAfter ? high : low));
}

TEST_F(SignalViewOnDemo, RowsKeepTheirOrderAndOnlyPinsTheChipHas) {
    EXPECT_EQ(View.rows(), defaultRows());
    QStringList labels;
    for (int row : View.rows()) labels << rowLabel(row);
    EXPECT_EQ(labels.join(','), "PA3,PA4,PA5,PA6,Port B,PB0,IRQ,Interrupts");
    View.setRows({InterruptRow, XirqRow, busRow(4), 29, 30 /* PD6: none */, 0, busRow(0), 0, -1, 99});
    labels.clear();
    for (int row : View.rows()) labels << rowLabel(row);
    EXPECT_EQ(labels.join(','), "Port A,PA0,PD5,Port E,XIRQ,Interrupts");
    // Everything painted at every zoom, no crash: the whole record into a few pixels.
    View.resize(300, 300);
    View.showWhole();
    View.canvas()->grab();
    View.setScale({-1e12, MaxCyclesPerPixel});
    View.canvas()->grab();
}

} // namespace
