// main() of the Qt widget tests: one QApplication for the whole run, offscreen unless the
// environment asks for another platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

// A test binary whose code runs under an application of its own (the workstation's) defines
// this; the others get a plain QApplication.
std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv) __attribute__((weak));

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QApplication> app = MakeTestApplication
                                            ? MakeTestApplication(argc, argv)
                                            : std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
