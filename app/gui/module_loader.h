#pragma once
// Loads a module of the workstation (a shared library) and runs its entry point.
#include <QString>
#include <QStringList>

namespace cartera::ui {
class ModuleRegistry;
}

namespace cartera::gui {

// The folders searched for a module, in order: the executable's folder, then the build
// tree the workstation was built in.
QStringList ModuleSearchPath();

// Finds fileName in folders, loads it and calls its entry point with registry. The library
// stays loaded for the life of the process. False with *error a sentence for the user
// (naming the file, or the folders searched when it is missing).
bool LoadModule(const QString& fileName, const QStringList& folders, ui::ModuleRegistry* registry,
                QString* error);

// The portfolio module's file name.
inline const char* kPortfolioModule = "libcartera-portfolio.so";

}  // namespace cartera::gui
