#pragma once
// Runs an in-process feed (host/feed.h) on a Qt timer: the simulated walk a few rounds a
// second, a replay at the recorded pace (optionally faster).
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

#include "host/feed.h"

namespace cartera::qt {

class FeedDriver : public QObject {
    Q_OBJECT

  public:
    explicit FeedDriver(QObject* parent = nullptr);
    ~FeedDriver() override;

    // Runs feed (the driver takes it) with one round every intervalMs milliseconds (250 =
    // four a second). Stops whatever ran before.
    void RunSimulated(std::unique_ptr<SimulatedFeed> feed, int intervalMs = 250);
    // Replays feed (the driver takes it) from its current position, speed times the
    // recorded pace (1 = real time). Stops whatever ran before. finished() follows the last
    // tick.
    void RunReplay(std::unique_ptr<ReplayFeed> feed, double speed = 1.0);
    // Stops the timer; the feed stays until the next Run.
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }

    SimulatedFeed* Simulated() const { return m_simulated.get(); }
    ReplayFeed* Replay() const { return m_replay.get(); }

  signals:
    // After each timer run that published messages; count is how many.
    void ticked(int count);
    // The replay published its last tick.
    void finished();

  private:
    void OnTimer();

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::unique_ptr<SimulatedFeed> m_simulated;
    std::unique_ptr<ReplayFeed> m_replay;
    double m_speed = 1.0;
    double m_replayStart = 0.0;  // replay time when the clock started
};

}  // namespace cartera::qt
