#pragma once
// The process-wide hooks a test may change, put back in one place: the language, the market
// service and the message-box handler are saved and restored; the symbol-search runner, which
// has no getter, returns to none, where every test starts. A test of a Qt layer keeps the hooks
// of its layer (status handler, sheet runners) with Keep, since this header links no Qt. The
// file system, clock and home folder are no hooks: Ctx() hands them to the code under test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/context.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace cartera::testing {

// Saves the hooks when built and restores them when destroyed, with English as the language
// in between and a fresh temporary home folder (removed at the end).
class ProcessHooks {
  public:
    ProcessHooks()
        : m_language(CurrentLanguage()),
          m_market(CMarketService::Current()),
          m_messageBox(SetMessageBoxHandler({})) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "cartera-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) m_home = pattern;
        EXPECT_FALSE(m_home.empty()) << "no temporary home";
        SetLanguage(Language::en);
    }
    ~ProcessHooks() {
        for (auto it = m_restore.rbegin(); it != m_restore.rend(); ++it) (*it)();
        CDlgBusquedaSimbolos::SetRunner({});
        SetMessageBoxHandler(std::move(m_messageBox));
        CMarketService::SetCurrent(m_market);
        SetLanguage(m_language);
        std::error_code ignored;
        if (!m_home.empty()) std::filesystem::remove_all(m_home, ignored);
    }
    ProcessHooks(const ProcessHooks&) = delete;
    ProcessHooks& operator=(const ProcessHooks&) = delete;

    // Keeps another hook given its setter, which returns the hook it replaces: emptied now,
    // the previous one set back on destruction (before the hooks above).
    template <class Hook>
    void Keep(Hook (*setter)(Hook)) {
        Hook previous = setter(Hook{});
        m_restore.push_back([setter, previous] { setter(previous); });
    }

    // The temporary home folder, without a trailing '/'.
    const std::string& Home() const { return m_home; }
    // The real file system, the system clock, the temporary home folder and English.
    Context Ctx() const { return Context{PosixEnv(), {}, m_home, Language::en}; }

  private:
    Language m_language;
    CMarketService* m_market;
    MessageBoxHandler m_messageBox;
    std::string m_home;
    std::vector<std::function<void()>> m_restore;
};

// A test fixture whose tests run with their hooks kept (see ProcessHooks).
class HooksTest : public ::testing::Test {
  protected:
    ProcessHooks hooks;
};

}  // namespace cartera::testing
