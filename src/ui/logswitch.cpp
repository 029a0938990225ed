// The log-to-file switch of the Log page. FlushLog keeps the file open between
// batches of lines and follows the name; the switch only tests that the file
// can be written.
#include <string>

#include "forms/forms.h"
#include "netunit/msgboxes.h"
#include "netunit/names.h"
#include "netunit/textfile.h"
#include "ui/quillnestform.h"

namespace {

// Opens the log file for appending (creating it when missing) and closes it again.
bool CanWriteLogFile(const std::string& name) {
    netunit::TTextFile file;
    const bool opened = netunit::WideFileExists(name) ? netunit::TextAppend(file, name)
                                                      : netunit::TextRewrite(file, name, netunit::FileAccess::Private);
    return opened && netunit::TextClose(file) == 0;
}

void AppendLogSoFar(Tquillnestform& f) {
    netunit::TTextFile file;
    if (!netunit::TextAppend(file, f.LogFileName)) return;
    for (int i = 0; i < f.status->Items()->Count(); ++i) netunit::TextWriteLine(file, f.status->Items()->Strings(i));
    netunit::TextClose(file);
}

}  // namespace

void Tquillnestform::logfilelabelClick(forms::TObject*) {
    // Lines logged before the switch go where logging went before it.
    FlushLog();
    if (!logfilelabel->Checked()) {
        LogToFile = false;
        if (!LogFileName.empty()) AddLog("Stopped logging to file.");
    } else if (!LogFileName.empty()) {
        LogToFile = CanWriteLogFile(LogFileName);
        if (!LoadingLogSetting && netunit::ConfirmBox(this, "Include current log in file?")) AppendLogSoFar(*this);
        AddLog(LogToFile ? "Logging to " + LogFileName : "Unabled to open " + LogFileName);
    } else if (ChooseLogFile()) {
        LogFileName = OpenDialog1->FileName;
        logfilelabel->SetCaption("Log to File: " + LogFileName);
        LogToFile = CanWriteLogFile(LogFileName);
        AddLog(LogToFile ? "Logging to " + LogFileName : "Unablesd to open " + LogFileName);
    } else {
        logfilelabel->SetChecked(false);
    }
    LoadingLogSetting = false;
}

bool Tquillnestform::ChooseLogFile() {
    // The same chooser picks programs and files that must exist.
    OpenDialog1->FileMustExist = false;
    const bool chosen = OpenDialog1->Execute();
    OpenDialog1->FileMustExist = true;
    return chosen;
}
