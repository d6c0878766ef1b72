#include "host/qt/feed_driver.h"

#include <algorithm>

namespace cartera::qt {

namespace {
// How often a replay looks at the clock; ticks due meanwhile are published together.
constexpr int kReplayPollMs = 20;
}  // namespace

FeedDriver::FeedDriver(QObject* parent) : QObject(parent) {
    connect(&m_timer, &QTimer::timeout, this, &FeedDriver::OnTimer);
}

FeedDriver::~FeedDriver() = default;

void FeedDriver::RunSimulated(std::unique_ptr<SimulatedFeed> feed, int intervalMs) {
    Stop();
    m_replay.reset();
    m_simulated = std::move(feed);
    if (!m_simulated) return;
    m_timer.start(std::max(intervalMs, 1));
}

void FeedDriver::RunReplay(std::unique_ptr<ReplayFeed> feed, double speed) {
    Stop();
    m_simulated.reset();
    m_replay = std::move(feed);
    if (!m_replay) return;
    m_speed = speed > 0.0 ? speed : 1.0;
    // Resume at the feed's position: its clock starts at the tick it will publish next.
    m_replayStart = m_replay->Published() > 0 ? m_replay->NextTime() : 0.0;
    m_clock.start();
    m_timer.start(kReplayPollMs);
}

void FeedDriver::Stop() { m_timer.stop(); }

void FeedDriver::OnTimer() {
    int count = 0;
    if (m_simulated) {
        count = m_simulated->Step();
    } else if (m_replay) {
        double now = m_replayStart + m_clock.elapsed() / 1000.0 * m_speed;
        count = m_replay->AdvanceTo(now);
        if (m_replay->Done()) m_timer.stop();
    }
    if (count > 0) emit ticked(count);
    if (m_replay && m_replay->Done() && !m_timer.isActive()) emit finished();
}

}  // namespace cartera::qt
