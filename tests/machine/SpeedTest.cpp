// Paced runs, measured against a wall clock of the test's own: no test here waits for real.
#include "machine/Machine.h"

#include <gtest/gtest.h>

namespace {

struct Speed : ::testing::Test {
    Speed() {
        M.setWallClock([this] { return Now; });
        M.SleepFor = [this](int64_t Ns) {
            Now += Ns;
            ++Sleeps;
            EXPECT_LE(Ns, 10'000'000); // slices: the window gets its events between them
        };
        M.poke(0x2000, 0x20), M.poke(0x2001, 0xFE); // bra *
        M.setRegister(Machine::Register::PC, 0x2000);
    }
    int64_t Now = 0;
    int Sleeps = 0;
    Machine M;
};

TEST_F(Speed, OneSimulatedSecondTakesOneWallSecondTimesTheFactor) {
    // 200000 cycles are a tenth of a second at 2 MHz; the pace is kept at the run loop's pump
    // points, every 10000 cycles, so the last of them may fall that much short of the end.
    for (const double factor : {1.0, 0.5, 4.0, 0.01, 100.0}) {
        M.setSpeed(factor);
        const int64_t start = Now;
        ASSERT_EQ(M.run({{}, 200'000}), StopReason::CycleLimit);
        const double wanted = 1e8 / factor, slack = 1e9 * 10'000 / 2e6 / factor;
        EXPECT_NEAR(static_cast<double>(Now - start), wanted, slack) << factor;
    }
    M.setSpeed(0); // as fast as the host can: nothing waits
    const int sleeps = Sleeps;
    M.run({{}, 1'000'000});
    EXPECT_EQ(Sleeps, sleeps);
}

TEST_F(Speed, ARunHeldUpDoesNotRaceToCatchUpAndTheAchievedFactorIsMeasured) {
    M.setSpeed(1);
    M.setEClock(1e6);
    int pumps = 0;
    M.setMessagePump([&] {
        // A modal box holds the run up for two seconds at its fifth pump point.
        if (++pumps == 5) Now += 2'000'000'000;
    });
    M.run({{}, 200'000});
    // 200000 cycles at 1 MHz: 0.2 s of pace, plus the two seconds held up, not made up for.
    EXPECT_GE(Now, 2'150'000'000);
    EXPECT_LE(Now, 2'250'000'000);
    const int64_t start = Now;
    M.achievedSpeed();
    M.run({{}, 100'000});
    EXPECT_NEAR(M.achievedSpeed(), 1.0, 0.1);
    EXPECT_NEAR(static_cast<double>(Now - start), 1e8, 1e7);
}

} // namespace
