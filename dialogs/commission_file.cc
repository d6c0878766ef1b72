#include "dialogs/commission_file.h"

#include "commissions/comisiones.h"
#include "host/archive.h"
#include "host/env.h"
#include "host/message_box.h"
#include "host/strings.h"

namespace cartera::dialogs {
namespace {

std::string Fill(std::string text, const char* mark, const std::string& value) {
    size_t at = text.find(mark);
    return at == std::string::npos ? text : text.replace(at, 2, value);
}

}  // namespace

bool LoadCommissions(CAdmComisiones& adm) {
    std::string cause;
    try {
        adm.Load();
        cause = adm.LoadError();
    } catch (const CArchiveException& e) {
        cause = e.what();
    }
    if (cause.empty()) return true;
    const std::string path = CAdmComisiones::FilePath();
    const std::string copy = path + ".damaged";
    if (Status kept = CurrentEnv()->KeepBackup(path, copy); !kept.ok())
        cause += "; " + kept.message();
    std::string text = Fill(Fill(Fill(::LS(40084), "%1", path), "%2", cause), "%3", copy);
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void RefreshCommissions(CAdmComisiones& adm) {
    if (!adm.LoadError().empty() || !adm.FileChanged()) return;
    adm.RemoveAll();
    LoadCommissions(adm);
}

bool ConfirmReplaceCommissions(CAdmComisiones& adm) {
    if (adm.LoadError().empty()) return true;
    std::string question = Fill(::LS(40085), "%1", CAdmComisiones::FilePath());
    if (AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    adm.ClearLoadError();
    return true;
}

}  // namespace cartera::dialogs
