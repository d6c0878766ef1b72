#pragma once
// The equity curve with its drawdown beneath it, on one date axis each.
#include <QWidget>
#include <vector>

#include "analytics/report.h"

class QChart;
class QChartView;

namespace cartera::window {

class EquityCharts : public QWidget {
  public:
    explicit EquityCharts(QWidget* parent = nullptr);
    // Replaces the curves; titles in the interface language.
    void SetCurve(const std::vector<analytics::EquityPoint>& curve);
    size_t PointCount() const { return m_points; }

  private:
    QChartView *m_equity, *m_drawdown;
    size_t m_points = 0;
};

}  // namespace cartera::window
