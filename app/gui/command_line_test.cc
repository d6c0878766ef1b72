// The workstation's command line as a user meets it in a terminal.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

// Help and version print and exit even where no window could open: a platform whose
// display is missing would abort the program if it started one.
TEST(WorkstationCommandLine, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/cartera");
    struct Case {
        const char* option;
        const char* shows;
    } cases[] = {{"--help", "--simulate"}, {"-h", "--home"}, {"--version", "Cartera 0.1"}};
    for (const Case& c : cases) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, {QString::fromLatin1(c.option)});
        ASSERT_TRUE(process.waitForFinished(30000)) << c.option;
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << c.option;
        EXPECT_EQ(process.exitCode(), 0) << c.option << process.readAllStandardError().data();
        EXPECT_TRUE(process.readAllStandardOutput().contains(c.shows)) << c.option;
    }
}

}  // namespace
