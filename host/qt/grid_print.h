#pragma once
// Printing a grid control: its visible columns, heading row and rows with their texts,
// alignment and colours, over as many pages as needed, the heading row repeated on each.
#include <QString>

class CUGCtrl;
class QPagedPaintDevice;
class QWidget;

namespace cartera::qt {

// Paints grid onto device (a QPrinter or QPdfWriter), title and page number above each
// page. The grid's own column widths are not used: on paper each visible column is as wide
// as its widest text, heading included, in a 9-point font plus a small padding. When those
// columns are wider than the page, the grid (texts, rows and lines) is drawn smaller, down
// to a 6-point font; past that the columns that do not fit continue on further sets of
// pages, each set holding every row, with the heading row of its own columns: first all
// the pages of the leftmost columns, then those of the next ones. Only a single column
// wider than the page at 6 points is cut, its texts ending in "…". The title stays at full
// size. Returns the number of pages painted; 0 when the device could not be painted on.
int PrintGrid(CUGCtrl& grid, QPagedPaintDevice* device, const QString& title);

// PrintGrid into a PDF file at path (A4, landscape when the columns are wider than a
// portrait page). False when the file could not be written.
bool ExportGridToPdf(CUGCtrl& grid, const QString& path, const QString& title);

// Makes grid.Imprimir() open a print dialog over parent (may be null) and print the grid
// with title; Imprimir then answers 1 when it printed, 0 when the user cancelled. parent is
// watched: once it is destroyed the dialog has no parent.
void InstallPrintHandler(CUGCtrl& grid, QWidget* parent, const QString& title = QString());

}  // namespace cartera::qt
