// The timed status message: its text at once, the default text once its time is up.
#include "UiTestSupport.h"

#include "ui/KvTimerMessage.h"

TEST(TimerMessage, ReportsTheTextAtOnceAndTheDefaultOnceAFullIntervalAfterTheLastText) {
    TKvTimerMessage message;
    message.SetDefaultText("Bereit");
    QElapsedTimer clock;
    QStringList reports;
    std::vector<qint64> at;
    message.OnTextChanged = [&](const QString& T) { reports << T, at.push_back(clock.elapsed()); };
    clock.start();
    message.ShowText("File loaded.", 80);
    EXPECT_EQ(reports, QStringList{"File loaded."});
    // Half-way through its time a second message replaces it and restarts the time.
    QTimer::singleShot(40, &message, [&] { message.ShowText("Processor reset.", 80); });
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(reports.join('|'), "File loaded.|Processor reset.|Bereit");
    EXPECT_GE(at[2] - at[1], 75);
}
