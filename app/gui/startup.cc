#include "app/gui/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <string_view>

#include "app/gui/module_loader.h"
#include "app/gui/workstation.h"
#include "host/feed.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/qt/feed_driver.h"
#include "host/qt/symbol_search_dialog.h"
#include "host/strings.h"
#include "model/demo.h"

namespace cartera::gui {
namespace {

constexpr int kSimulatedIntervalMs = 250;
const char* const kDemoName = "Demo";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The workstation's icon: a rising line over bars on a dark tile, drawn at each size.
QIcon WorkstationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 64, 128));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        p.setBrush(QColor(196, 224, 255));
        p.drawRect(QRectF(7, 19, 4, 7));
        p.drawRect(QRectF(14, 15, 4, 11));
        p.drawRect(QRectF(21, 11, 4, 15));
        p.setPen(QPen(QColor(120, 220, 120), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(
            QPolygonF({QPointF(6, 15), QPointF(13, 10), QPointF(18, 12), QPointF(26, 5)}));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QString QuotesFilePath(const std::string& home) {
    return QDir(Q(home)).filePath(QStringLiteral("quotes.csv"));
}

Status ParseStartupOptions(const QStringList& args, StartupOptions* out) {
    auto refuse = [](const QString& why) {
        return Status(ErrorKind::invalid_input, why.toStdString());
    };
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Cartera, the portfolio workstation."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption home(QStringLiteral("home"),
                            QStringLiteral("Home folder of portfolios and settings."),
                            QStringLiteral("DIR"));
    QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Start on the demo portfolio in a fresh home under /tmp."));
    QCommandLineOption replay(QStringLiteral("replay"),
                              QStringLiteral("Replay recorded ticks (CSV: time,code,last)."),
                              QStringLiteral("FILE"));
    QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Simulated prices instead of the quotes file in the home."));
    QCommandLineOption seed(QStringLiteral("seed"),
                            QStringLiteral("Seed of the simulated market feed."),
                            QStringLiteral("N"));
    QCommandLineOption lang(QStringLiteral("lang"),
                            QStringLiteral("Interface language: en, de, fr, it, es."),
                            QStringLiteral("CODE"));
    QCommandLineOption measure(
        QStringLiteral("measure-startup"),
        QStringLiteral("Print the milliseconds to a shown window, then quit."));
    parser.addOptions({home, demo, replay, simulate, seed, lang, measure});
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Portfolios to open."),
                                 QStringLiteral("[files...]"));
    if (!parser.parse(args)) return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
    out->home = parser.value(home);
    out->demo = parser.isSet(demo);
    out->replay = parser.value(replay);
    out->simulate = parser.isSet(simulate);
    if (parser.isSet(seed)) {
        bool ok = false;
        uint64_t n = parser.value(seed).toULongLong(&ok);
        if (!ok)
            return refuse(
                QStringLiteral("--seed wants a whole number, not \"%1\"").arg(parser.value(seed)));
        out->seed = n;
    }
    out->language = parser.value(lang);
    Language parsed;
    if (!out->language.isEmpty() && !ParseLanguage(out->language.toStdString(), &parsed))
        return refuse(
            QStringLiteral("--lang wants en, de, fr, it or es, not \"%1\"").arg(out->language));
    out->measureStartup = parser.isSet(measure);
    out->files = parser.positionalArguments();
    return {};
}

bool AsksForInformation(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--") return false;  // what follows are file names
        for (std::string_view info : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (arg == info) return true;
    }
    return false;
}

int AnswerInformation(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Cartera"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CARTERA_VERSION));
    StartupOptions options;
    // Help and version print and exit inside the parser.
    if (Status parsed = ParseStartupOptions(QCoreApplication::arguments(), &options);
        !parsed.ok()) {
        std::fprintf(stderr, "cartera: %s\n", parsed.message().c_str());
        return 2;
    }
    return 0;
}

int ShowMessageBox(const std::string& text, unsigned type) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Cartera"));
    box.setText(Q(text));
    unsigned icon = type & 0xF0;
    box.setIcon(icon == MB_ICONQUESTION      ? QMessageBox::Question
                : icon == MB_ICONEXCLAMATION ? QMessageBox::Warning
                                             : QMessageBox::Information);
    if ((type & 0xF) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

namespace {

// Tells the user of an exception that reached the event loop; false on a thread other than
// the interface's, where it cannot. One met while telling of another (in the message box's
// own events) is only written to stderr, so a fault that repeats does not stack boxes.
bool ReportUnexpected(const char* what) {
    static bool reporting = false;
    if (QThread::currentThread() != qApp->thread()) return false;
    std::fprintf(stderr, "cartera: unexpected error: %s\n", what);
    if (reporting) return true;
    QScopedValueRollback<bool> telling(reporting, true);
    AfxMessageBox(FillText(::LS(40112), {what}), MB_OK | MB_ICONEXCLAMATION);
    return true;
}

}  // namespace

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (!ReportUnexpected(e.what())) throw;
    } catch (...) {
        if (!ReportUnexpected("(no description)")) throw;
    }
    return false;
}

WorkstationApp::WorkstationApp(StartupOptions options) : m_options(std::move(options)) {}

WorkstationApp::~WorkstationApp() {
    // A window closed (File › Exit, Ctrl+Q) saved its session while its portfolios were
    // open; only a workstation ended without closing its window saves it here.
    if (m_window && !m_demoHome && m_window->isVisible()) m_window->SaveSession();
    m_window.reset();  // frames (and their ledgers) go while the market still exists
    m_feed.reset();
    if (m_demoHome) {
        QStringList made = UserFilesInDemoHome();
        if (!made.isEmpty()) {
            // What the user made there is theirs: the folder stays, and they are told where.
            m_demoHome->setAutoRemove(false);
            std::fprintf(stderr, "The demo folder %s is kept: it holds files you made (%s).\n",
                         qPrintable(m_demoHome->path()),
                         qPrintable(made.join(QStringLiteral(", "))));
        }
    }
    CDlgBusquedaSimbolos::SetRunner({});
    SetMessageBoxHandler({});
}

namespace {

// Every file under folder, by its path relative to it.
QStringList FilesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
    return files;
}

}  // namespace

QStringList WorkstationApp::UserFilesInDemoHome() const {
    if (!m_demoHome) return {};
    QStringList made;
    QString settings =
        m_settings ? QDir(m_demoHome->path()).relativeFilePath(m_settings->fileName()) : QString();
    for (const QString& file : FilesUnder(m_demoHome->path()))
        if (!m_demoStartFiles.contains(file) && file != settings) made << file;
    return made;
}

Status WorkstationApp::SetUpHome() {
    if (m_options.demo) {
        m_demoHome = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                     QStringLiteral("/cartera-demo-XXXXXX"));
        if (!m_demoHome->isValid())
            return Status(ErrorKind::io,
                          "No demo folder can be made: " + m_demoHome->errorString().toStdString());
        m_context.home = m_demoHome->path().toStdString();
    } else if (!m_options.home.isEmpty()) {
        m_context.home = QDir(m_options.home).absolutePath().toStdString();
    }
    QString home = Q(m_context.home);
    (void)m_context.env->CreateDirs(m_context.home);  // a failure shows at a file's use
    m_settings = std::make_unique<QSettings>(QDir(home).filePath(QStringLiteral("workstation.ini")),
                                             QSettings::IniFormat);
    return {};
}

void WorkstationApp::SetUpLanguage() {
    Language lang = Language::en;
    QString code = m_options.language.isEmpty() ? m_settings->value("language").toString()
                                                : m_options.language;
    if (!code.isEmpty() && !ParseLanguage(code.toStdString(), &lang)) lang = Language::en;
    m_context.language = lang;
    SetLanguage(lang);  // the one interface language of the process, for its modules too
    Workstation::LoadQtTranslations(lang);
}

Status WorkstationApp::SetUpFeed() {
    CMarketService* market = CMarketService::Current();
    if (market->Symbols().empty()) LoadEmbeddedCatalogue(*market);
    m_feed = std::make_unique<qt::FeedDriver>(m_context.env);
    if (!m_options.replay.isEmpty()) {
        auto replay = std::make_unique<ReplayFeed>(*market);
        if (Status loaded = replay->LoadFile(*m_context.env, m_options.replay.toStdString());
            !loaded.ok())
            return Status(loaded.kind(), "The tick file " + m_options.replay.toStdString() +
                                             " cannot be replayed: " + loaded.message());
        m_feed->RunReplay(std::move(replay), 1.0, m_options.replay);
        return {};
    }
    if (!m_options.demo && !m_options.simulate) {
        // Real prices from whatever writes the quotes file; none until it does.
        m_feed->WatchQuotes(QuotesFilePath(m_context.home));
        return {};
    }
    uint64_t seed = m_options.seed ? *m_options.seed
                                   : static_cast<uint64_t>(QDateTime::currentMSecsSinceEpoch());
    m_feed->RunSimulated(std::make_unique<SimulatedFeed>(*market, seed), kSimulatedIntervalMs);
    return {};
}

Status WorkstationApp::Start() {
    QApplication::setWindowIcon(WorkstationIcon());
    if (Status home = SetUpHome(); !home.ok()) return home;
    SetUpLanguage();
    SetMessageBoxHandler(ShowMessageBox);
    if (Status feed = SetUpFeed(); !feed.ok()) return feed;
    if (Status loaded =
            LoadModule(QString::fromLatin1(kPortfolioModule), ModuleSearchPath(), &m_registry);
        !loaded.ok())
        return loaded;
    m_window = std::make_unique<Workstation>(m_registry, m_settings.get(), m_context);
    m_window->SetFeed(m_feed.get());
    qt::InstallSymbolSearchDialog(m_window.get());
    m_window->resize(1180, 720);
    // On a small screen the window fits inside what the desktop leaves free.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect free = screen->availableGeometry();
        m_window->resize(m_window->size().boundedTo(free.size()));
        m_window->move(free.center() - m_window->rect().center());
    }
    if (m_options.demo) {
        std::string path = PortfoliosFolder(m_context) + kDemoName + PortfolioExtension();
        if (Status built = BuildDemoPortfolio(m_context, path); !built.ok())
            return Status(built.kind(), "The demo portfolio cannot be written: " + built.message());
        m_demoPath = Q(path);
        m_window->OpenFile(path);
        m_demoStartFiles = FilesUnder(m_demoHome->path());
    }
    if (!m_options.demo) m_window->RestoreWindowState();
    for (const QString& file : m_options.files) m_window->OpenFile(file.toStdString());
    if (!m_options.demo && m_options.files.isEmpty()) m_window->OpenSessionFiles();
    return {};
}

int RunWorkstation(QApplication& app, const QElapsedTimer& clock) {
    QApplication::setApplicationName(QStringLiteral("Cartera"));
    QApplication::setApplicationVersion(QStringLiteral(CARTERA_VERSION));
    StartupOptions options;
    if (Status parsed = ParseStartupOptions(QApplication::arguments(), &options); !parsed.ok()) {
        std::fprintf(stderr, "cartera: %s\n", parsed.message().c_str());
        return 2;
    }
    const bool measure = options.measureStartup;
    WorkstationApp workstation(std::move(options));
    if (Status started = workstation.Start(); !started.ok()) {
        std::fprintf(stderr, "cartera: %s\n", started.message().c_str());
        // Started from a desktop menu nobody reads stderr; headless nobody could answer.
        if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Cartera"), Q(started.message()));
        return 1;
    }
    workstation.Window()->show();
    if (measure) {
        // Runs once the events of showing (expose, first paint) have been handled.
        QTimer::singleShot(0, &app, [&] {
            std::printf("startup: %lld ms\n", static_cast<long long>(clock.elapsed()));
            std::fflush(stdout);
            QApplication::quit();
        });
    }
    return QApplication::exec();
}

}  // namespace cartera::gui
