#include "app/gui/module_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include "framework/module.h"

namespace cartera::gui {

QStringList ModuleSearchPath() {
    const QString here = QCoreApplication::applicationDirPath();
    // Installed: the module sits in lib/cartera beside bin/.
    QStringList folders{here, QDir::cleanPath(here + QStringLiteral("/../lib/cartera"))};
#ifdef CARTERA_MODULE_BUILD_DIR
    folders << QStringLiteral(CARTERA_MODULE_BUILD_DIR);
#endif
    folders.removeDuplicates();
    return folders;
}

bool LoadModule(const QString& fileName, const QStringList& folders, ui::ModuleRegistry* registry,
                QString* error) {
    QString path;
    for (const QString& folder : folders) {
        QFileInfo candidate(QDir(folder), fileName);
        if (candidate.isFile()) {
            path = candidate.absoluteFilePath();
            break;
        }
    }
    if (path.isEmpty()) {
        *error = QStringLiteral("The module %1 was not found in %2.")
                     .arg(fileName, folders.join(QStringLiteral(", ")));
        return false;
    }
    // Never unloaded (its classes live in every open window): a QLibrary going out of scope
    // leaves the library loaded.
    QLibrary library(path);
    if (!library.load()) {
        *error =
            QStringLiteral("The module %1 cannot be loaded: %2").arg(path, library.errorString());
        return false;
    }
    auto entry = reinterpret_cast<ui::ModuleEntry>(library.resolve(ui::kModuleEntryName));
    if (!entry) {
        *error = QStringLiteral("%1 is no Cartera module (it has no entry point %2).")
                     .arg(path, QString::fromLatin1(ui::kModuleEntryName));
        return false;
    }
    if (!entry(registry)) {
        *error = QStringLiteral("The module %1 refused to start.").arg(path);
        return false;
    }
    return true;
}

}  // namespace cartera::gui
