#pragma once
// Runs an in-process feed (host/feed.h) on Qt timers: the simulated walk a few rounds a
// second, a replay at the recorded pace (optionally faster), or a quotes file applied again
// whenever it changes on disk. It knows which of them feeds the market and when the last
// price came, for the status bar.
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "host/feed.h"

namespace cartera::qt {

class FeedDriver : public QObject {
    Q_OBJECT

  public:
    // Where prices come from.
    enum class Mode { off, simulated, replay, quotesFile };

    // Files are read through env (not owned, outlives the driver).
    explicit FeedDriver(Env* env, QObject* parent = nullptr);
    ~FeedDriver() override;

    // Runs feed (the driver takes it) with one round every intervalMs milliseconds (250 =
    // four a second). Stops whatever ran before, the following of a quotes file too.
    void RunSimulated(std::unique_ptr<SimulatedFeed> feed, int intervalMs = 250);
    // Replays feed (the driver takes it) from its current position, speed times the
    // recorded pace (1 = real time). Stops whatever ran before, as RunSimulated.
    // finished() follows the last tick. source names the file in the state (its file name
    // is shown).
    void RunReplay(std::unique_ptr<ReplayFeed> feed, double speed = 1.0,
                   const QString& source = {});
    // Stops whatever ran before and follows the quotes file at path: applied now when it
    // exists, again whenever it changes, is replaced or appears (a file-system watcher, and
    // a look every pollMs milliseconds where the watcher misses changes). The held quotes are
    // published again when a portfolio registers new codes. Off until the file has been read.
    void WatchQuotes(const QString& path, int pollMs = 2000);
    // Reads the quotes file at path once and publishes it; a simulation or replay is stopped
    // (it would overwrite the prices), a watched file stays watched. A failure says why the
    // file cannot be read (io) or which line is bad (invalid_input).
    Status ImportQuotes(const QString& path);
    // With quotes held: reads the watched file again when it changed, and publishes the
    // quotes again when portfolios registered codes since (a portfolio just opened).
    void Refresh();
    // Stops the timers; the feed stays until the next Run.
    void Stop();
    bool IsRunning() const { return m_timer.isActive(); }

    SimulatedFeed* Simulated() const { return m_simulated.get(); }
    ReplayFeed* Replay() const { return m_replay.get(); }

    Mode GetMode() const { return m_mode; }
    // The replayed or quotes file; empty otherwise.
    const QString& Source() const { return m_source; }
    // When the last price was published; invalid before the first.
    const QDateTime& LastTick() const { return m_lastTick; }
    // The last error of the watched quotes file; empty when it was read.
    const QString& QuotesError() const { return m_quotesError; }

  signals:
    // After each timer run that published messages; count is how many.
    void ticked(int count);
    // The replay published its last tick.
    void finished();
    // The mode, source or quotes error changed.
    void stateChanged();

  private:
    void OnTimer();
    void ApplyWatchedQuotes();
    // Publishes quotes and makes them the market's source (a simulation or replay stops).
    void UseQuotes(std::unique_ptr<QuotesFeed> quotes, const QString& source);
    // Forgets the followed quotes file and the quotes held.
    void StopWatching();
    void Published(int count);
    void SetState(Mode mode, const QString& source);

    QTimer m_timer;
    QTimer m_pollTimer;
    QElapsedTimer m_clock;
    QFileSystemWatcher m_watcher;
    std::unique_ptr<SimulatedFeed> m_simulated;
    std::unique_ptr<ReplayFeed> m_replay;
    std::unique_ptr<QuotesFeed> m_quotes;
    double m_speed = 1.0;
    double m_replayStart = 0.0;  // replay time when the clock started
    Mode m_mode = Mode::off;
    QString m_source;
    QDateTime m_lastTick;
    Env* m_env;
    QString m_watched;       // the followed quotes file; empty when none
    QString m_watchedStamp;  // its size, time and identity when last read
    QString m_quotesError;
    std::vector<std::string> m_codes;  // registered codes when the quotes were last published
};

}  // namespace cartera::qt
