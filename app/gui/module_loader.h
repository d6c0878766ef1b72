#pragma once
// Loads a module of the workstation (a shared library) and runs its entry point.
#include <QString>
#include <QStringList>

namespace cartera::ui {
class ModuleRegistry;
}

namespace cartera::gui {

// The folders searched for a module, in order: the executable's folder (a build tree, where
// the tests sit beside the module too), then ../lib/cartera (installed). Never a build
// folder named at compile time.
QStringList ModuleSearchPath();

// Finds fileName in folders, loads it, checks that its interface version is this host's
// and lets it register into registry. A loaded module stays loaded for the life of the
// process; one that is refused is unloaded and leaves registry as it was. False with *error
// a sentence for the user (naming the file, the folders searched when it is missing, or
// both interface versions when they differ).
bool LoadModule(const QString& fileName, const QStringList& folders, ui::ModuleRegistry* registry,
                QString* error);

// The portfolio module's file name.
inline const char* kPortfolioModule = "libcartera-portfolio.so";

}  // namespace cartera::gui
