#pragma once
// Printing a grid control: its visible columns, heading row and rows with their texts,
// alignment and colours, over as many pages as needed, the heading row repeated on each.
#include <QString>

class CUGCtrl;
class QPagedPaintDevice;
class QWidget;

namespace cartera::qt {

// Paints grid onto device (a QPrinter or QPdfWriter), title and page number above each
// page. Columns wider than the page are scaled down to fit its width. Returns the number of
// pages painted; 0 when the device could not be painted on.
int PrintGrid(CUGCtrl& grid, QPagedPaintDevice* device, const QString& title);

// PrintGrid into a PDF file at path (A4). False when the file could not be written.
bool ExportGridToPdf(CUGCtrl& grid, const QString& path, const QString& title);

// Makes grid.Imprimir() open a print dialog over parent (may be null) and print the grid
// with title; Imprimir then answers 1 when it printed, 0 when the user cancelled. parent is
// watched: once it is destroyed the dialog has no parent.
void InstallPrintHandler(CUGCtrl& grid, QWidget* parent, const QString& title = QString());

}  // namespace cartera::qt
