// Message boxes and the file chooser, with test hooks that answer them
// without showing anything.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "forms/form.h"

namespace forms {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = unsigned;

// The names of the message-box buttons, in the class library's order: each
// button's component name and accessible name, whatever its caption says.
enum TMsgDlgBtnIndex { mbiYes, mbiNo, mbiOK, mbiCancel, mbiAbort, mbiRetry, mbiIgnore, mbiAll, mbiNoToAll, mbiYesToAll, mbiHelp };
const std::array<std::u16string, 11>& ButtonNames();

struct TMessageDlgRequest {
    std::string Text;
    std::string Caption;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
};

// Shows a modal message box (nested loop: timers and socket notices keep
// firing) and returns mrYes, mrNo, mrOk or mrCancel. The caption defaults to
// the type's ("Warning", "Error", "Information", "Confirm"). Escape and the
// close box give mrCancel, or mrNo when there is no Cancel button (mrOk for
// a box with only OK). No buttons means OK.
TModalResult MessageDlg(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons);
TModalResult MessageBox(const std::string& Text, const std::string& Caption, TMsgDlgType Type,
                        TMsgDlgButtons Buttons);

// While a hook is set, every box is answered by it and nothing is shown.
// An empty function removes the hook.
using TMessageDlgHook = std::function<TModalResult(const TMessageDlgRequest&)>;
void SetMessageDlgHook(TMessageDlgHook hook);

// The file chooser. Filter is "Description|pattern;pattern|Description|..."
// as the class library takes it; FilterIndex is 1-based.
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner);
    std::string FileName;
    std::string InitialDir;
    std::string Filter;
    int FilterIndex = 1;
    std::string Title;
    // Off, a name that does not exist yet may be chosen (the caller makes the file).
    bool FileMustExist = true;
    // Shows the chooser modally; true with FileName set when the user chose.
    bool Execute();
    // Where the chooser opens: InitialDir when set (a handler sets it for
    // each use), else the last file chosen.
    std::string StartPath() const;
};

// While a hook is set, Execute() calls it instead of showing the chooser;
// it may set FileName and returns what Execute() returns.
using TOpenDialogHook = std::function<bool(TOpenDialog&)>;
void SetOpenDialogHook(TOpenDialogHook hook);

}  // namespace forms
