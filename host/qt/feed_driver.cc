#include "host/qt/feed_driver.h"

#include <QFileInfo>
#include <algorithm>

namespace cartera::qt {

namespace {
// How often a replay looks at the clock; ticks due meanwhile are published together.
constexpr int kReplayPollMs = 20;

// What tells one version of a file from the next: its size, modification time and identity;
// empty when nothing is there.
QString Stamp(Env& env, const QString& path) {
    FileState state;
    if (!env.GetFileState(path.toStdString(), &state).ok() || !state.exists) return {};
    return QStringLiteral("%1/%2/%3").arg(state.size).arg(state.timeNs).arg(state.id);
}
}  // namespace

FeedDriver::FeedDriver(Env* env, QObject* parent) : QObject(parent), m_env(env) {
    connect(&m_timer, &QTimer::timeout, this, &FeedDriver::OnTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &FeedDriver::Refresh);
    // A file replaced by renaming leaves the watcher; the folder's change brings it back.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FeedDriver::ApplyWatchedQuotes);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FeedDriver::Refresh);
}

FeedDriver::~FeedDriver() = default;

void FeedDriver::SetState(Mode mode, const QString& source) {
    if (mode == m_mode && source == m_source) return;
    m_mode = mode;
    m_source = source;
    emit stateChanged();
}

void FeedDriver::Published(int count) {
    if (count <= 0) return;
    m_lastTick = QDateTime::currentDateTime();
    emit ticked(count);
}

void FeedDriver::RunSimulated(std::unique_ptr<SimulatedFeed> feed, int intervalMs) {
    Stop();
    StopWatching();
    m_replay.reset();
    m_simulated = std::move(feed);
    if (!m_simulated) return SetState(Mode::off, {});
    SetState(Mode::simulated, {});
    m_timer.start(std::max(intervalMs, 1));
}

void FeedDriver::RunReplay(std::unique_ptr<ReplayFeed> feed, double speed, const QString& source) {
    Stop();
    m_simulated.reset();
    m_replay = std::move(feed);
    if (!m_replay) return SetState(Mode::off, {});
    SetState(Mode::replay, source);
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
    Published(count);
    if (m_replay && m_replay->Done() && !m_timer.isActive()) emit finished();
}

// --- Quotes files ---------------------------------------------------------------------------

void FeedDriver::WatchQuotes(const QString& path, int pollMs) {
    Stop();
    m_simulated.reset();
    m_replay.reset();
    StopWatching();
    m_watched = QFileInfo(path).absoluteFilePath();
    SetState(Mode::off, {});
    (void)m_env->CreateDirs(QFileInfo(m_watched).absolutePath().toStdString());
    m_watcher.addPath(QFileInfo(m_watched).absolutePath());
    m_pollTimer.start(std::max(pollMs, 10));
    ApplyWatchedQuotes();
}

void FeedDriver::Refresh() {
    if (!m_watched.isEmpty() && Stamp(*m_env, m_watched) != m_watchedStamp)
        return ApplyWatchedQuotes();
    // Portfolios opened since the last publication have not seen the quotes yet.
    if (m_quotes && m_simulated == nullptr && m_replay == nullptr) {
        std::vector<std::string> codes = CMarketService::Current()->RegisteredCodes();
        if (codes != m_codes) {
            m_codes = std::move(codes);
            Published(m_quotes->Publish());
        }
    }
}

void FeedDriver::ApplyWatchedQuotes() {
    if (m_watched.isEmpty()) return;
    QString stamp = Stamp(*m_env, m_watched);
    m_watchedStamp = stamp;
    if (stamp.isEmpty()) return;  // not there (yet): the folder's watch tells when it comes
    if (!m_watcher.files().contains(m_watched)) m_watcher.addPath(m_watched);
    auto quotes = std::make_unique<QuotesFeed>(*CMarketService::Current());
    if (Status loaded = quotes->LoadFile(*m_env, m_watched.toStdString()); !loaded.ok()) {
        // Half-written by its writer, perhaps: the next change is read again.
        m_quotesError = QString::fromStdString(loaded.message());
        emit stateChanged();
        return;
    }
    bool hadError = !m_quotesError.isEmpty();
    m_quotesError.clear();
    UseQuotes(std::move(quotes), m_watched);
    if (hadError) emit stateChanged();
}

void FeedDriver::UseQuotes(std::unique_ptr<QuotesFeed> quotes, const QString& source) {
    Stop();
    m_simulated.reset();
    m_replay.reset();
    m_quotes = std::move(quotes);
    m_codes = CMarketService::Current()->RegisteredCodes();
    SetState(Mode::quotesFile, source);
    Published(m_quotes->Publish());
}

void FeedDriver::StopWatching() {
    m_pollTimer.stop();
    m_watched.clear();
    m_watchedStamp.clear();
    m_quotes.reset();
    m_quotesError.clear();
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
}

Status FeedDriver::ImportQuotes(const QString& path) {
    auto quotes = std::make_unique<QuotesFeed>(*CMarketService::Current());
    if (Status loaded = quotes->LoadFile(*m_env, path.toStdString()); !loaded.ok()) return loaded;
    UseQuotes(std::move(quotes), QFileInfo(path).absoluteFilePath());
    return {};
}

}  // namespace cartera::qt
