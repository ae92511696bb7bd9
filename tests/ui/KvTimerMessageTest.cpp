// The timed status message: two reports per message, restarts, the default text.
#include "ui/KvTimerMessage.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct TReport {
    QString Text;
    qint64 At; // milliseconds after the start of the test
};

class TimerMessage : public ::testing::Test {
  protected:
    TimerMessage() {
        Clock.start();
        Message.OnTextChanged = [this](const QString& Text) {
            Reports.push_back({Text, Clock.elapsed()});
            if (Reports.size() == Expected) Loop.quit();
        };
    }

    // Runs the event loop until Count reports have arrived, or a generous deadline passed.
    void WaitForReports(size_t Count) {
        Expected = Count;
        if (Reports.size() >= Count) return;
        QTimer::singleShot(2000, &Loop, &QEventLoop::quit);
        Loop.exec();
    }

    QElapsedTimer Clock;
    QEventLoop Loop;
    TKvTimerMessage Message;
    std::vector<TReport> Reports;
    size_t Expected = 0;
};

TEST_F(TimerMessage, ReportsTheTextAtOnceAndTheDefaultWhenItsTimeIsUp) {
    Message.SetDefaultText(QStringLiteral("Bereit"));
    Message.ShowText(QStringLiteral("File loaded."), 60);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Text, QStringLiteral("File loaded."));
    WaitForReports(2);
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[1].Text, QStringLiteral("Bereit"));
    EXPECT_GE(Reports[1].At - Reports[0].At, 55);

    // Nothing further arrives: the timer fires once.
    QTimer::singleShot(120, &Loop, &QEventLoop::quit);
    Loop.exec();
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(TimerMessage, ALaterMessageRestartsTheTimeAndTheDefaultComesOnce) {
    Message.ShowText(QStringLiteral("File loaded."), 80);
    // Half-way through the first message's time, a second one replaces it.
    QTimer::singleShot(40, &Message,
                       [this] { Message.ShowText(QStringLiteral("Processor reset."), 80); });
    WaitForReports(3);
    ASSERT_EQ(Reports.size(), 3u);
    EXPECT_EQ(Reports[1].Text, QStringLiteral("Processor reset."));
    EXPECT_EQ(Reports[2].Text, QString());
    // The default came a full interval after the second message, not after the first.
    EXPECT_GE(Reports[2].At - Reports[1].At, 75);

    QTimer::singleShot(120, &Loop, &QEventLoop::quit);
    Loop.exec();
    EXPECT_EQ(Reports.size(), 3u);
}

TEST(TimerMessageWithoutHandler, ChangesNothingVisible) {
    TKvTimerMessage message;
    message.ShowText(QStringLiteral("File loaded."), 1);
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    // A handler assigned afterwards hears nothing of the old message.
    int reports = 0;
    message.OnTextChanged = [&](const QString&) { ++reports; };
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(reports, 0);
}

} // namespace
