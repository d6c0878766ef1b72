#pragma once
// The workstation tests' common ground: a home folder and settings file of their own, a
// private market service, the portfolio module loaded, and every message box recorded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/module_loader.h"
#include "app/gui/workstation.h"
#include "framework/module.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace cartera::gui::testing {

class WorkstationTestBase : public ::testing::Test {
  protected:
    WorkstationTestBase() : settings(home.filePath("workstation.ini"), QSettings::IniFormat) {
        SetLanguage(Language::en);
        SetHomeFolder(home.path().toStdString());
        CMarketService::SetCurrent(&market);
        SetMessageBoxHandler([this](const std::string& text, unsigned type) {
            messages.push_back(text);
            return (type & 0xF) == MB_YESNO ? yesNoAnswer : IDOK;
        });
    }
    ~WorkstationTestBase() override {
        window.reset();
        SetMessageBoxHandler({});
        CMarketService::SetCurrent(nullptr);
        SetHomeFolder("");
    }
    // Loads the portfolio module into registry; false with the reason in error.
    bool LoadPortfolioModule(QString* error) {
        return LoadModule(QString::fromLatin1(kPortfolioModule), ModuleSearchPath(), &registry,
                          error);
    }
    // Loads the module and shows window at that size, active.
    void ShowWorkstation(int width, int height) {
        QString error;
        EXPECT_TRUE(LoadPortfolioModule(&error)) << error.toStdString();
        window = std::make_unique<Workstation>(registry, &settings);
        window->resize(width, height);
        window->show();
        QApplication::setActiveWindow(window.get());
    }

    QTemporaryDir home;
    QSettings settings;
    CMarketService market;
    ui::ModuleRegistry registry;
    std::unique_ptr<Workstation> window;
    std::vector<std::string> messages;
    int yesNoAnswer = IDNO;  // how Yes/No questions are answered
};

}  // namespace cartera::gui::testing
