#include "window/equity_charts.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QLocale>
#include <QTimeZone>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "host/dates.h"
#include "host/strings.h"

namespace cartera::window {
namespace {

qreal Millis(int32_t dateNumber) { return static_cast<qreal>(dateNumber) * 86400000.0; }

QChartView* MakeView(QWidget* parent) {
    auto* view = new QChartView(new QChart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->chart()->legend()->hide();
    view->chart()->setMargins(QMargins(4, 4, 4, 4));
    return view;
}

// Ticks for a date axis from first to last (whole days, at least one apart): one a day at
// most, so no two ticks fall on the same day and no date is written twice.
int DateTicks(qreal first, qreal last) {
    constexpr int kMostTicks = 5;
    qreal days = std::round((last - first) / 86400000.0);
    return static_cast<int>(std::clamp<qreal>(days + 1, 2, kMostTicks));
}

// Puts series on chart with a date axis below and a value axis from low to high.
void Show(QChart* chart, QAbstractSeries* series, const QString& title, qreal low, qreal high,
          qreal first, qreal last) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);  // which gives the axis back to us
        delete axis;
    }
    chart->setTitle(title);
    chart->addSeries(series);
    // Dates as the window writes them, values grouped as the interface language groups them.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QString::fromLatin1(LanguageCode(CurrentLanguage()))));
    auto* dates = new QDateTimeAxis;
    dates->setFormat(QString::fromLatin1(DateFieldFormat()));
    dates->setTickCount(DateTicks(first, last));
    dates->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first), QTimeZone::utc()),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last), QTimeZone::utc()));
    chart->addAxis(dates, Qt::AlignBottom);
    auto* values = new QValueAxis;
    values->setRange(low, high == low ? low + 1 : high);
    values->applyNiceNumbers();
    values->setLabelFormat("%.0f");
    if (chart->size().height() < 200) values->setTickCount(3);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(dates);
    series->attachAxis(values);
}

}  // namespace

EquityCharts::EquityCharts(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_equity = MakeView(this);
    m_drawdown = MakeView(this);
    layout->addWidget(m_equity, 3);
    layout->addWidget(m_drawdown, 1);
}

void EquityCharts::SetCurve(const std::vector<analytics::EquityPoint>& curve) {
    m_points = curve.size();
    auto* equity = new QLineSeries;
    auto* upper = new QLineSeries;
    auto* lower = new QLineSeries;
    qreal low = 0, high = 0, deepest = 0;
    for (const analytics::EquityPoint& p : curve) {
        qreal x = Millis(p.date);
        equity->append(x, p.equity);
        upper->append(x, 0);
        lower->append(x, -p.drawdown);
        low = std::min(low, p.equity);
        high = std::max(high, p.equity);
        deepest = std::min(deepest, -p.drawdown);
    }
    constexpr qreal kDay = 86400000.0;
    qreal first = curve.empty() ? 0 : Millis(curve.front().date);
    qreal last = curve.empty() ? kDay : Millis(curve.back().date);
    if (last <= first) {  // one day: its point in the middle, between the days either side
        first -= kDay;
        last = first + 2 * kDay;
    }
    // A curve of one day is a single point, which a line alone would not draw.
    equity->setPointsVisible(curve.size() == 1);
    Show(m_equity->chart(), equity, QString::fromStdString(::LS(41011)), low, high, first, last);
    auto* area = new QAreaSeries(upper, lower);
    upper->setParent(area);  // the area does not own its bounds; they go with it
    lower->setParent(area);
    area->setBrush(QColor(200, 40, 40, 120));
    area->setPen(QPen(QColor(160, 20, 20)));
    Show(m_drawdown->chart(), area, QString::fromStdString(::LS(41044)), deepest, 0, first, last);
}

}  // namespace cartera::window
