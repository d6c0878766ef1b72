// The equity charts' date axes as drawn: a point for a single day, no date written twice.
#include "window/equity_charts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QChartView>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QRegularExpression>
#include <QSet>

namespace cartera::window {
namespace {

// The dates the chart's axis writes, in the order the scene holds them.
QStringList DateLabels(QChartView* view) {
    static const QRegularExpression date("^\\d{4}-\\d{2}-\\d{2}$");
    QStringList labels;
    for (QGraphicsItem* item : view->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            if (text->isVisible() && date.match(text->toPlainText()).hasMatch())
                labels << text->toPlainText();
    return labels;
}

TEST(EquityChartsTest, OneDayIsAPointAndNoDateIsWrittenTwice) {
    struct Case {
        std::vector<int32_t> days;  // the curve's days, from a first date number
        int distinct;               // the date labels the axis should write
    };
    const int32_t start = 20000;
    for (const Case& c : std::vector<Case>{{{0}, 3}, {{0, 1}, 2}, {{0, 2}, 3}, {{0, 3, 9}, 5}}) {
        std::vector<analytics::EquityPoint> curve;
        double equity = 0;
        for (int32_t day : c.days) curve.push_back({start + day, 10, equity += 10, 0});
        EquityCharts charts;
        charts.resize(700, 500);
        charts.show();
        charts.SetCurve(curve);
        QApplication::processEvents();
        QChartView* view = charts.findChildren<QChartView*>().value(0);
        ASSERT_NE(view, nullptr);
        QStringList labels = DateLabels(view);
        EXPECT_EQ(labels.size(), c.distinct) << labels.join(' ').toStdString();
        EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size())
            << labels.join(' ').toStdString();
        auto* line = qobject_cast<QLineSeries*>(view->chart()->series().value(0));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->pointsVisible(), c.days.size() == 1);
    }
}

}  // namespace
}  // namespace cartera::window
