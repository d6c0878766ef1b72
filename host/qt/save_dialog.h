#pragma once
// Where to save an export: a save dialog for one type of file, whose answer always carries
// the type's extension.
#include <QString>

class QWidget;

namespace cartera::qt {

// path with "." + extension added when its file name has no extension ("report" gives
// "report.pdf"; "report.pdf" and "report.v2" stay as they are).
QString WithExtension(const QString& path, const QString& extension);
// Asks in a save dialog (files "EXTENSION (*.extension)", suggested first) and returns the
// path chosen WithExtension; empty when the user cancels.
QString AskSavePath(QWidget* parent, const QString& caption, const QString& suggested,
                    const QString& extension);

}  // namespace cartera::qt
