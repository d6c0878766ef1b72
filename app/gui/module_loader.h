#pragma once
// Loads a module of the workstation (a shared library) and runs its entry point.
#include <QString>
#include <QStringList>

#include "host/error.h"

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
// process; one that is refused is unloaded and leaves registry as it was. A failure's message
// is a sentence for the user: not_found naming the folders searched, io when the library
// cannot be loaded, damaged when it is no module of this interface version (naming both) or
// does not start.
Status LoadModule(const QString& fileName, const QStringList& folders,
                  ui::ModuleRegistry* registry);

// The portfolio module's file name.
inline const char* kPortfolioModule = "libcartera-portfolio.so";

}  // namespace cartera::gui
