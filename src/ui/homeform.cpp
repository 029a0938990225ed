#include "ui/homeform.h"

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/treecopy.h"
#include "platform/mainthread.h"
#include "platform/programdir.h"
#include "ui/dirform.h"
#include "ui/fielddialog.h"
#include "ui/homemove.h"
#include "ui/quillnestform.h"

Thomeform* homeform = nullptr;

namespace {
constexpr int kMargin = 6;
constexpr int kEditHeight = 24;
constexpr int kBrowseWidth = 25;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kDesignWidth = 360;
// How often a running move shows how far it got; also wakes the wait.
constexpr int kProgressInterval = 100;
// The folder kept beside the users' folders for what removed accounts leave.
constexpr char kOldFolder[] = "-old-";

// The path with links and "." and ".." resolved as far as it exists.
std::string Resolved(const std::string& path) {
    const std::string resolved = netunit::ResolvedPath(netunit::RemoveBackslash(path));
    return resolved.empty() ? path : WithBackslash(resolved);
}
}  // namespace

std::string WithBackslash(const std::string& Text) { return netunit::AddBackslash(Text); }

Thomeform::Thomeform(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    SetName("homeform");
    SetCaption("Home Folder");
    SetBorderStyle(forms::bsDialog);
    SetPosition(forms::poScreenCenter);
    SetClientWidth(kDesignWidth);
    hdir = new forms::TEdit(this);
    hdir->SetName("hdir");
    hdir->SetParent(this);
    browse = new forms::TButton(this);
    browse->SetName("browse");
    browse->SetParent(this);
    browse->SetCaption("...");
    AddOkCancel(this, this, ok, cancel);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    browse->OnClick = [this](forms::TObject* s) { browseClick(s); };
    OnCreate = [this](forms::TObject* s) { FormCreate(s); };
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [this](forms::TObject* s) { FormShow(s); };
    if (homeform == nullptr) homeform = this;
    DoCreate();
}

Thomeform::~Thomeform() {
    if (homeform == this) homeform = nullptr;
}

void Thomeform::FormCreate(forms::TObject* Sender) { FormResize(Sender); }

void Thomeform::FormResize(forms::TObject*) {
    const int w = ClientWidth();
    hdir->SetBounds(kMargin, kMargin, w - 3 * kMargin - kBrowseWidth, kEditHeight);
    browse->SetBounds(w - kMargin - kBrowseWidth, kMargin, kBrowseWidth, kEditHeight);
    const int top = kMargin * 2 + kEditHeight;
    cancel->SetBounds(w - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    ok->SetBounds(cancel->Left() - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    SetClientHeight(top + kButtonHeight + kMargin);
}

void Thomeform::FormShow(forms::TObject*) { hdir->SetFocus(); }

void Thomeform::browseClick(forms::TObject*) { PickFolderFor(hdir); }

std::vector<std::string> Thomeform::MoveWhileServing(const std::string& From, const std::string& To) {
    // A copy across file systems can take minutes: it runs on a worker while
    // this loop keeps every session served, and the dialog closes only when
    // the move is over. The worker owns what it shares with the loop.
    struct Job {
        netunit::TCopyWorker Worker;
        std::vector<std::string> Stayed;
    };
    auto job = std::make_shared<Job>();
    std::thread([job, From, To] {
        job->Stayed = homemove::MoveHomeContents(From, To, &job->Worker.Progress);
        job->Worker.Finish();
    }).detach();

    const std::string caption = Caption();
    const auto enable = [this](bool on) {
        for (forms::TControl* c : {static_cast<forms::TControl*>(hdir), static_cast<forms::TControl*>(browse),
                                   static_cast<forms::TControl*>(ok), static_cast<forms::TControl*>(cancel)})
            c->SetEnabled(on);
    };
    enable(false);
    forms::TTimer progress(nullptr);
    progress.SetInterval(kProgressInterval);
    progress.OnTimer = [this, job](forms::TObject*) {
        SetCaption("Moving the home folder: " + std::to_string(job->Worker.Progress.Copied.load()) + " files and folders moved");
    };
    progress.SetEnabled(true);
    while (!job->Worker.Finished()) forms::Application().HandleMessage();
    progress.SetEnabled(false);
    enable(true);
    SetCaption(caption);
    // Escape or the close box meanwhile must not undo the change of folder.
    SetModalResult(forms::mrOk);
    return job->Stayed;
}

void Thomeform::Refuse(const std::string& Message) {
    if (!Message.empty()) forms::MessageDlg(Message, forms::mtError, forms::mbOK);
    SetModalResult(forms::mrNone);
    hdir->SetFocus();
}

void Thomeform::okClick(forms::TObject*) {
    Tquillnestform* form = quillnestform;
    if (hdir->Text().empty()) return Refuse("Directory can not be blank!");
    // A relative folder is the program's, as everywhere else, and is kept
    // as the full path.
    hdir->SetText(WithBackslash(platform::InProgramDir(hdir->Text())));
    const std::string target = hdir->Text();
    const std::string old = form ? form->HomeDir : std::string();
    // The users' folders live in the old home: a home inside it would be
    // moved into itself, and one inside a user's folder would hold its owner.
    if (!old.empty() && target != old) {
        if (Resolved(target) == Resolved(old)) return;  // another name of the same folder
        if (netunit::IsInsideFolder(Resolved(target), Resolved(old)))
            return Refuse("The new home directory can not be inside the previous one!");
    }
    if (!netunit::WideDirectoryExists(target)) {
        if (forms::MessageDlg("Directory does not exist.\nCreate it?", forms::mtError, forms::mbYes | forms::mbNo) !=
            forms::mrYes)
            return Refuse({});
        if (::mkdir(netunit::RemoveBackslash(target).c_str(), 0777) != 0)
            return Refuse("Unable to create directory :(");
    }
    if (target == old) return;
    if (form && form->accountslist->Count() > 0 && netunit::WideDirectoryExists(old) &&
        forms::MessageDlg("Move contents of previous home directory to new home directory? (recommended)",
                          forms::mtInformation, forms::mbYes | forms::mbNo) == forms::mrYes) {
        const std::vector<std::string> stayed = MoveWhileServing(old, target);
        // A move stopped by the program's end has nobody left to tell.
        if (!stayed.empty() && !platform::ShuttingDown()) {
            std::string list;
            for (const std::string& name : stayed) list += "\n" + name;
            forms::MessageDlg("These were not moved, since the new home directory already holds them or they "
                              "could not be moved:" + list,
                              forms::mtWarning, forms::mbOK);
        }
    }
    if (!netunit::WideDirectoryExists(target + kOldFolder)) netunit::WideForceDirectories(target + kOldFolder);
}
