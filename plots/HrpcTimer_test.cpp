#include "plots/HrpcTimer.h"

#include <QTest>
#include <chrono>
#include <thread>

using quillon::plots::THrpcTimer;
using namespace std::chrono_literals;

namespace {

// Milliseconds since a point on the same clock, measured from outside the timer.
double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

// Times real sleeps with the timer and checks its states and lap rules.
class HrpcTimerTest : public QObject {
    Q_OBJECT

private slots:
    void reportsTheRunningClockNotStoredValues() {
        THrpcTimer timer;
        const qint64 frequency = timer.Frequency();
        QVERIFY(frequency >= 1'000'000);
        // A window layout saved on another machine stores its values.
        timer.setProperty("Frequency", qint64{551280000});
        timer.setProperty("Tick", 1.81396023799158e-06);
        QCOMPARE(timer.property("Frequency").toLongLong(), frequency);
        QCOMPARE(timer.property("Tick").toDouble(), static_cast<double>(1000.0L / frequency));
    }

    void stopWithoutStartLeavesZero() {
        THrpcTimer timer;
        timer.Stop();
        QVERIFY(!timer.Running());
        QCOMPARE(timer.Elapsed(), 0.0L);
    }

    void elapsedAfterStopIsTheIntervalEveryTime() {
        THrpcTimer timer;
        const auto outerStart = std::chrono::steady_clock::now();
        timer.Start();
        QVERIFY(timer.Running());
        std::this_thread::sleep_for(20ms);
        timer.Stop();
        const double outer = msSince(outerStart);
        const long double interval = timer.Elapsed();
        QVERIFY(interval >= 20 && interval <= outer);
        QCOMPARE(timer.Elapsed(), interval);
        // Stopping again changes nothing.
        std::this_thread::sleep_for(5ms);
        timer.Stop();
        QCOMPARE(timer.Elapsed(), interval);
    }

    void elapsedWhileRunningGivesConsecutiveLaps() {
        THrpcTimer timer;
        const auto outerStart = std::chrono::steady_clock::now();
        timer.Start();
        std::this_thread::sleep_for(15ms);
        const long double first = timer.Elapsed();
        std::this_thread::sleep_for(10ms);
        const long double second = timer.Elapsed();
        timer.Stop();
        const double outer = msSince(outerStart);
        QVERIFY(first >= 15);
        QVERIFY(second >= 10);
        // The laps do not overlap, and Stop measures from Start, not the lap.
        QVERIFY(first + second <= timer.Elapsed());
        QVERIFY(timer.Elapsed() <= outer);
    }

    void startRestartsARunningTimer() {
        THrpcTimer timer;
        timer.Start();
        std::this_thread::sleep_for(20ms);
        timer.Start();
        timer.Stop();
        QVERIFY(timer.Elapsed() < 20);
    }
};

QTEST_GUILESS_MAIN(HrpcTimerTest)
#include "HrpcTimer_test.moc"
