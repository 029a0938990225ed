#include "ui/dirform.h"

#include "netunit/names.h"
#include "platform/guard.h"
#include "platform/programdir.h"
#include "ui/fielddialog.h"

Tdir* dir = nullptr;

namespace {
constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
// The tree's first size: room for a few levels of folder names.
constexpr int kTreeWidth = 360;
constexpr int kTreeHeight = 360;
}  // namespace

Tdir::Tdir(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    SetName("dir");
    SetCaption("Select Folder");
    SetPosition(forms::poScreenCenter);
    directory = new shell::TScShellTree(this);
    directory->SetName("directory");
    directory->SetParent(this);
    directory->SetOptions(shell::scstoAutoFill | shell::scstoVirtualFolders | shell::scstoDefaultKeyHandling |
                          shell::scstoDynamicRefresh | shell::scstoShowHidden);
    directory->SetReadOnly(true);
    directory->SetHideSelection(false);
    directory->SetIndent(19);
    directory->SetBounds(kMargin, kMargin, kTreeWidth, kTreeHeight);
    AddOkCancel(this, this, ok, cancel);
    SetClientWidth(kTreeWidth + 2 * kMargin);
    SetClientHeight(kTreeHeight + 3 * kMargin + kButtonHeight);
    SetConstraints({kButtonWidth * 2 + kButtonGap + 2 * kMargin, kButtonHeight * 4});
    OnCreate = [this](forms::TObject* s) { FormCreate(s); };
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [this](forms::TObject*) { directory->SetFocus(); };
    if (dir == nullptr) dir = this;
    DoCreate();
    // Loading the form ends: the tree fills itself.
    platform::RunGuarded([this] { directory->Loaded(); });
}

Tdir::~Tdir() {
    if (dir == this) dir = nullptr;
}

void Tdir::FormCreate(forms::TObject* Sender) { FormResize(Sender); }

void Tdir::FormResize(forms::TObject*) {
    const int w = ClientWidth(), h = ClientHeight();
    const int top = h - kMargin - kButtonHeight;
    cancel->SetBounds(w - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    ok->SetBounds(cancel->Left() - kButtonGap - kButtonWidth, top, kButtonWidth, kButtonHeight);
    directory->SetBounds(kMargin, kMargin, w - 2 * kMargin, top - 2 * kMargin);
}

bool PickFolderFor(forms::TEdit* Edit) {
    if (dir == nullptr) new Tdir(forms::Application().MainForm());
    const std::string text = Edit->Text();
    if (!text.empty()) {
        const std::string folder = platform::InProgramDir(text);
        if (netunit::WideDirectoryExists(folder))
            platform::RunGuarded([&] {
                dir->directory->SetSelectedPath(folder);
                // The chosen folder opens too: its subfolders are one click away.
                if (forms::TTreeNode* node = dir->directory->Selected()) {
                    node->Expand(false);
                    // Its subfolders in view as far as the tree allows, the folder itself surely.
                    if (node->Count() > 0) node->Item(node->Count() - 1)->MakeVisible();
                    node->MakeVisible();
                }
            });
    }
    if (dir->ShowModal() != forms::mrOk) return false;
    const std::string picked = dir->directory->GetSelectedPath();
    if (picked.empty()) return false;
    Edit->SetText(picked);
    return true;
}
