#pragma once

#include <QObject>
#include <cstdint>

namespace quillon::plots {

// Measures intervals on the monotonic clock and reports them in milliseconds:
// Start, the work to be timed, Stop, then Elapsed for the interval. While
// running, each Elapsed is a lap measured from the previous one (the first
// from Start). Frequency and Tick always describe the running machine's
// clock: values stored with a window's layout are read back and ignored.
class THrpcTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 Frequency READ Frequency WRITE setFrequency)
    Q_PROPERTY(double Tick READ tickProperty WRITE setTick)

public:
    explicit THrpcTimer(QObject* parent = nullptr);

    void Start();
    // Stores the interval since Start; a stopped timer keeps its last one.
    void Stop();
    // While running, the lap since Start or the previous Elapsed; while
    // stopped, the last Start-to-Stop interval (0 if there was none).
    long double Elapsed();

    bool Running() const { return running_; }
    // Counts per second of the clock.
    qint64 Frequency() const { return frequency_; }
    // Milliseconds per count.
    long double Tick() const { return tick_; }
    void setFrequency(qint64) {}
    void setTick(double) {}

private:
    static std::int64_t count();
    // Tick as a window layout stores it.
    double tickProperty() const { return static_cast<double>(tick_); }

    bool running_ = false;
    std::int64_t lapCount_ = 0;
    std::int64_t startCount_ = 0;
    std::int64_t stopCount_ = 0;
    long double elapsedMs_ = 0;
    qint64 frequency_;
    long double tick_;
};

} // namespace quillon::plots
