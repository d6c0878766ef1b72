// cartera: the trading workstation.
#include <QApplication>
#include <QElapsedTimer>

#include "app/gui/startup.h"

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    // Help and version are answered without a display, where the first window could not open.
    if (cartera::gui::AsksForInformation(argc, argv))
        return cartera::gui::AnswerInformation(argc, argv);
    cartera::gui::GuardedApplication app(argc, argv);
    return cartera::gui::RunWorkstation(app, clock);
}
