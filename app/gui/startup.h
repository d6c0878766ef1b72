#pragma once
// Start-up of the workstation: options, home folder, language, message boxes, market feed,
// the portfolio module and the main window.
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <optional>

#include "framework/module.h"
#include "host/context.h"
#include "host/error.h"
#include "host/folders.h"

namespace cartera::qt {
class FeedDriver;
}

namespace cartera::gui {

class Workstation;

struct StartupOptions {
    QString home;           // --home DIR; empty: $CARTERA_HOME, else the default
    bool demo = false;      // --demo: a fresh demo home under /tmp with the demo portfolio open
    QString replay;         // --replay FILE: replay recorded ticks
    bool simulate = false;  // --simulate: a simulated market (the default with --demo)
    std::optional<uint64_t> seed;  // --seed N for the simulated feed; else from the clock
    QString language;              // --lang CODE; else the remembered one, else English
    bool measureStartup = false;   // --measure-startup: print the milliseconds, then quit
    QStringList files;             // portfolios to open
};

// The quotes file the workstation follows without --demo, --simulate or --replay: "code,last"
// lines in the home folder (home), written by any outside script.
QString QuotesFilePath(const std::string& home);

// Parses the command line (args[0] is the program) into *out; invalid_input with a message
// for the user when it cannot be used.
Status ParseStartupOptions(const QStringList& args, StartupOptions* out);

// Everything the running workstation owns besides the QApplication.
class WorkstationApp {
  public:
    explicit WorkstationApp(StartupOptions options);
    // Closes the window before the feed and the handlers go. The demo home is removed
    // unless the user made files there; then it stays and stderr says where.
    ~WorkstationApp();

    // Home, language, message boxes, market, module, window; then opens the demo and the
    // files, or else the portfolios open when the last session ended. A failure says why the
    // workstation cannot run (module missing, bad tick file, demo not written).
    Status Start();

    Workstation* Window() const { return m_window.get(); }
    // The files, home folder, clock and language the workstation works with.
    const Context& GetContext() const { return m_context; }
    qt::FeedDriver* Feed() const { return m_feed.get(); }
    const ui::ModuleRegistry& Registry() const { return m_registry; }
    // The demo portfolio's path; empty without --demo.
    const QString& DemoPath() const { return m_demoPath; }
    // Files in the demo home that were not there once the demo had started (the settings
    // file aside), relative to it; empty without --demo.
    QStringList UserFilesInDemoHome() const;

  private:
    Status SetUpHome();
    void SetUpLanguage();
    Status SetUpFeed();

    StartupOptions m_options;
    // The files, home folder, clock and language the workstation works with, handed to its
    // window and from there to the documents the modules make. The process's own until
    // --home, --demo or --lang says otherwise.
    Context m_context = ProcessContext();
    std::unique_ptr<QTemporaryDir> m_demoHome;
    std::unique_ptr<QSettings> m_settings;
    ui::ModuleRegistry m_registry;
    std::unique_ptr<qt::FeedDriver> m_feed;
    std::unique_ptr<Workstation> m_window;
    QString m_demoPath;
    QStringList m_demoStartFiles;
};

// True when the command line asks for the help or the version: answered by
// AnswerInformation, which needs no display, before any QApplication exists.
bool AsksForInformation(int argc, char** argv);
// Prints the help or the version (or why the command line is wrong) and returns the exit
// status.
int AnswerInformation(int argc, char** argv);

// The workstation's application: every event is delivered inside a guard, so an exception a
// handler lets escape is reported in a message box (and on stderr) and the event loop goes
// on instead of the process ending; the event counts as not handled. An exception on another
// thread, where no message box can be shown, ends the process as before.
class GuardedApplication : public QApplication {
  public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows a question or notice in a QMessageBox over the active window.
int ShowMessageBox(const std::string& text, unsigned type);

// The whole run: options, start, event loop. clock started when the process entered main.
int RunWorkstation(QApplication& app, const QElapsedTimer& clock);

}  // namespace cartera::gui
