// cartera: the trading workstation.
#include <QApplication>
#include <QElapsedTimer>

#include "app/gui/startup.h"

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    return cartera::gui::RunWorkstation(app, clock);
}
