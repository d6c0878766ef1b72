#pragma once
// The page the workstation shows while no portfolio is open: New, Open, Open the demo and
// the recent portfolios with their paths, each a click (or Return on the list) away.
#include <QWidget>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace cartera::gui {

class WelcomePage : public QWidget {
  public:
    struct Actions {
        std::function<void()> newPortfolio;
        std::function<void()> open;
        std::function<void()> openDemo;
        std::function<void(const QString& path)> openRecent;
    };

    WelcomePage(Actions actions, QWidget* parent = nullptr);

    // Texts in the interface language and the recent files that still exist, each with its
    // path, the latest current.
    void Refresh(const QStringList& recentFiles);
    // Gives the keyboard to the recent files (Enter opens the latest), else to New.
    void TakeFocus();

    QPushButton* NewButton() const { return m_new; }
    QPushButton* OpenButton() const { return m_open; }
    QPushButton* DemoButton() const { return m_demo; }
    QListWidget* RecentList() const { return m_recent; }

  private:
    Actions m_actions;
    QLabel* m_title;
    QPushButton* m_new;
    QPushButton* m_open;
    QPushButton* m_demo;
    QLabel* m_recentTitle;
    QListWidget* m_recent;
};

}  // namespace cartera::gui
