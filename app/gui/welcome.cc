#include "app/gui/welcome.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "framework/status.h"
#include "host/strings.h"

namespace cartera::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A command's menu text without its tooltip line or trailing ellipsis.
QString Label(int id) { return Q(ui::CommandPrompt(::LS(id))).remove(QChar(0x2026)); }

}  // namespace

WelcomePage::WelcomePage(Actions actions, QWidget* parent)
    : QWidget(parent),
      m_actions(std::move(actions)),
      m_title(new QLabel(this)),
      m_new(new QPushButton(this)),
      m_open(new QPushButton(this)),
      m_demo(new QPushButton(this)),
      m_recentTitle(new QLabel(this)),
      m_recent(new QListWidget(this)) {
    setObjectName(QStringLiteral("welcome"));
    QFont big = m_title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    m_title->setFont(big);
    m_recent->setMinimumWidth(480);
    m_recent->setMaximumWidth(640);
    auto* column = new QVBoxLayout;
    column->addStretch(1);
    column->addWidget(m_title);
    column->addSpacing(12);
    for (QPushButton* button : {m_new, m_open, m_demo}) {
        button->setMinimumWidth(240);
        column->addWidget(button, 0, Qt::AlignLeft);
    }
    column->addSpacing(12);
    column->addWidget(m_recentTitle);
    column->addWidget(m_recent);
    column->addStretch(2);
    auto* row = new QHBoxLayout(this);
    // The column as wide as it needs, in the middle of the window.
    row->addStretch(1);
    row->addLayout(column, 0);
    row->addStretch(1);

    connect(m_new, &QPushButton::clicked, this, [this] { m_actions.newPortfolio(); });
    connect(m_open, &QPushButton::clicked, this, [this] { m_actions.open(); });
    connect(m_demo, &QPushButton::clicked, this, [this] { m_actions.openDemo(); });
    // One click opens, as the buttons beside it do; Return and a double click too.
    for (auto signal : {&QListWidget::itemActivated, &QListWidget::itemClicked})
        connect(m_recent, signal, this, [this](QListWidgetItem* item) {
            if (isVisible()) m_actions.openRecent(item->data(Qt::UserRole).toString());
        });
}

void WelcomePage::Refresh(const QStringList& recentFiles) {
    m_title->setText(Q(::LS(40107)));
    m_new->setText(Label(40000));
    m_open->setText(Label(40001));
    m_demo->setText(Q(::LS(40108)));
    m_recentTitle->setText(Q(::LS(40005)));
    m_recent->clear();
    for (const QString& path : recentFiles) {
        if (!QFileInfo::exists(path)) continue;
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  —  %2")
                .arg(QFileInfo(path).completeBaseName(), QDir::toNativeSeparators(path)),
            m_recent);
        item->setData(Qt::UserRole, path);
    }
    m_recentTitle->setVisible(m_recent->count() > 0);
    m_recent->setVisible(m_recent->count() > 0);
    if (m_recent->count() > 0) m_recent->setCurrentRow(0);
}

void WelcomePage::TakeFocus() {
    if (m_recent->count() > 0)
        m_recent->setFocus();
    else
        m_new->setFocus();
}

}  // namespace cartera::gui
