#pragma once
// The grid window of a portfolio view: a GridView showing the view's grid control, created
// with the view's rectangle shrunk by 5 pixels on each side; its first size message puts it
// in its real place.
#include <QFont>
#include <functional>
#include <string>

#include "host/error.h"

class CUGCtrl;
class CView;

namespace cartera::qt {
class GridView;
}

namespace cartera::window {

inline constexpr int kGridControlId = 123;

// The font the portfolio grids are shown in, derived from base.
QFont GridFont(const QFont& base);

// Creates the widget inside view and the grid's window (CreateGrid, which runs the grid's
// OnStart); installs the grid's print handler. Null when the grid was already created.
qt::GridView* CreateGridWindow(CUGCtrl& grid, CView& view);

// A title for printed pages: the portfolio's file name and the tab's label.
std::string PrintTitle(const CView& view, int labelId);

// Exports the grid to a PDF file at path with title; io when the file cannot be written.
Status ExportGrid(CUGCtrl& grid, const std::string& path, const std::string& title);

}  // namespace cartera::window
