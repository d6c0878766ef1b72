#include "host/qt/save_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace cartera::qt {

QString WithExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    return path + QLatin1Char('.') + extension;
}

QString AskSavePath(QWidget* parent, const QString& caption, const QString& suggested,
                    const QString& extension) {
    const QString filter = extension.toUpper() + QStringLiteral(" (*.") + extension + ')';
    return WithExtension(QFileDialog::getSaveFileName(parent, caption, suggested, filter),
                         extension);
}

}  // namespace cartera::qt
