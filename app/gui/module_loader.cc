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
    return {here, QDir::cleanPath(here + QStringLiteral("/../lib/cartera"))};
}

namespace {

// Checks the loaded module's interface version and lets it register into registry. The
// reason it is refused, or empty when it started; registry is untouched unless it started.
QString StartModule(QLibrary& library, const QString& path, ui::ModuleRegistry* registry) {
    auto entry = reinterpret_cast<ui::ModuleEntry>(library.resolve(ui::kModuleEntryName));
    const ui::ModuleInfo* info = entry ? entry() : nullptr;
    if (!info)
        return QStringLiteral("%1 is no Cartera module (it has no entry point %2).")
            .arg(path, QString::fromLatin1(ui::kModuleEntryName));
    if (info->interfaceVersion != ui::kModuleInterfaceVersion)
        return QStringLiteral(
                   "The module %1 has interface version %2; this workstation needs "
                   "version %3. Install the module that came with the workstation.")
            .arg(path)
            .arg(info->interfaceVersion)
            .arg(ui::kModuleInterfaceVersion);
    ui::ModuleRegistry scratch = *registry;
    if (!info->registerModule || !info->registerModule(&scratch))
        return QStringLiteral("The module %1 refused to start.").arg(path);
    *registry = std::move(scratch);
    return {};
}

}  // namespace

Status LoadModule(const QString& fileName, const QStringList& folders,
                  ui::ModuleRegistry* registry) {
    QString path;
    for (const QString& folder : folders) {
        QFileInfo candidate(QDir(folder), fileName);
        if (candidate.isFile()) {
            path = candidate.absoluteFilePath();
            break;
        }
    }
    if (path.isEmpty())
        return Status(ErrorKind::not_found, QStringLiteral("The module %1 was not found in %2.")
                                                .arg(fileName, folders.join(QStringLiteral(", ")))
                                                .toStdString());
    // Never unloaded once it has started (its classes live in every open window): a QLibrary
    // going out of scope leaves the library loaded.
    QLibrary library(path);
    if (!library.load())
        return Status(ErrorKind::io, QStringLiteral("The module %1 cannot be loaded: %2")
                                         .arg(path, library.errorString())
                                         .toStdString());
    QString refusal = StartModule(library, path, registry);
    if (refusal.isEmpty()) return {};
    library.unload();
    return Status(ErrorKind::damaged, refusal.toStdString());
}

}  // namespace cartera::gui
