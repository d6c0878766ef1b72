#pragma once
// The commission file as the portfolio windows read and replace it: a damaged or unreadable
// file is reported, never fatal, and never replaced before the user chose so.
class CAdmComisiones;

namespace cartera::window {

// Loads adm from the commission file. When the file exists but cannot be read whole, adm
// keeps the records read before the error (and refuses to save), a copy of the file is kept
// beside it as NAME.damaged, and a message names the file, the cause and the copy; false
// then.
bool LoadCommissions(CAdmComisiones& adm);
// Reads the commission file again into adm when it changed since adm read or wrote it, so
// every open portfolio offers the schedules any editor saved. Damage is reported as
// LoadCommissions does; an adm that refuses to save is left alone.
void RefreshCommissions(CAdmComisiones& adm);
// Whether adm may replace the commission file: at once when adm read it whole; else the
// user is asked, and Yes lets adm save what it holds.
bool ConfirmReplaceCommissions(CAdmComisiones& adm);

}  // namespace cartera::window
