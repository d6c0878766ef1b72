#include "dialogs/commission_file.h"

#include "commissions/comisiones.h"
#include "host/archive.h"
#include "host/env.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace cartera::dialogs {
bool LoadCommissions(CAdmComisiones& adm) {
    std::string cause;
    try {
        adm.Load();
        cause = adm.LoadError();
    } catch (const CArchiveException& e) {
        cause = e.what();
    }
    if (cause.empty()) return true;
    const std::string& path = adm.FilePath();
    const std::string copy = path + ".damaged";
    if (Status kept = adm.FileSystem().KeepBackup(path, copy); !kept.ok())
        cause += "; " + kept.message();
    AfxMessageBox(FillText(::LS(40084), {path, cause, copy}), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void RefreshCommissions(CAdmComisiones& adm) {
    if (!adm.LoadError().empty() || !adm.FileChanged()) return;
    adm.RemoveAll();
    LoadCommissions(adm);
}

bool ConfirmReplaceCommissions(CAdmComisiones& adm) {
    if (adm.LoadError().empty()) return true;
    std::string question = FillText(::LS(40085), {adm.FilePath()});
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    adm.ClearLoadError();
    return true;
}

}  // namespace cartera::dialogs
