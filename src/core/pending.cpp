// Calls made by start-up, shutdown and the settings into subsystems that are
// not built yet. Each definition moves to its subsystem's own file when that
// subsystem is built; until then the call does nothing.
#include "ui/quillnestform.h"

void Tquillnestform::FillFtpUsers() {}
void Tquillnestform::ftpusersChange(forms::TObject*) {}
void Tquillnestform::SetRunAtStartup(const std::string&, const std::string&) {}
