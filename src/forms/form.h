// Forms (top-level windows, modal dialogs), the application object, the tray
// icon and the clipboard.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "forms/controls.h"
#include "forms/stdctrls.h"

class QEventLoop;
class QSystemTrayIcon;

namespace forms {

class TMainMenu;

// Modal results with the class library's numbers.
enum : TModalResult {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
};

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormBorderStyle { bsSizeable, bsDialog, bsSingle };
enum TPosition { poDesigned, poScreenCenter, poMainFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

// Commands from the window's frame, offered to OnSysCommand before the
// default handling (numbers of the platform the window code was written for).
enum TSysCommand : unsigned { scMinimize = 0xF020, scClose = 0xF060 };

struct TSizeConstraints {
    int MinWidth = 0;
    int MinHeight = 0;
};

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TSysCommandEvent = std::function<void(TObject* Sender, TSysCommand Command, bool& Handled)>;

// A top-level window. Width and Height are the window's own size with its menu
// bar, without the window manager's frame: the frame is known only once the
// window is shown, and a size must read the same before and after (a dialog
// fits its height at creation). ClientWidth and ClientHeight are the area
// controls are placed in. bsDialog gives a fixed border with only a close
// button: the size set by code holds, the user cannot change it.
//
// Closing: Close() asks OnCloseQuery, then runs OnClose and hides the form
// (caNone keeps it, caMinimize minimises it); closing the application's main
// form also ends the application. Closing a modal form sets ModalResult to
// mrCancel instead. The close box and Escape in a modal form mean Cancel.
// Before the frame's minimise or close command takes effect, OnSysCommand may
// handle it itself (Handled = true): a handled minimise leaves the window in
// its normal state for the handler to hide, a handled close does not close.
// A bsDialog form is never minimised from its frame.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);

    int Width() const override;
    int Height() const override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    TSizeConstraints Constraints() const { return constraints_; }
    void SetConstraints(const TSizeConstraints& c);

    void SetVisible(bool v) override;
    TWindowState WindowState() const;
    void SetWindowState(TWindowState s);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle s);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    // True while the window is the active one (has the keyboard focus).
    bool Active() const;
    void BringToFront();

    void SetMenu(TMainMenu* menu);
    TMainMenu* Menu() const { return menu_; }

    // The form sees key presses before its controls (OnKeyDown; a handler
    // that sets Key to 0 swallows the key).
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }

    void Close();
    // Shows the form modally in a nested loop (timers and socket notices keep
    // running) until ModalResult is set; returns it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult r);
    bool Modal() const { return modal_; }

    // Fires OnCreate once; a derived form calls it at the end of its
    // constructor, after its handlers are wired.
    void DoCreate();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnResize;
    TNotifyEvent OnActivate;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    TKeyEvent OnKeyDown;
    TSysCommandEvent OnSysCommand;

    QWidget* ClientWidget() const override;

protected:
    void Resized() override;

private:
    class Window;
    bool CloseQuery();
    bool CloseModal();
    void PlaceClient();
    void Resize(int w, int h);
    void Center();
    int MenuHeight() const;
    TButton* FindDialogButton(bool cancel) const;
    static void InstallKeyFilter();
    // Called by the window for frame events and keys.
    void WindowShown();
    void WindowHidden();
    void FrameClose();
    void FrameMinimized();
    bool KeyPressed(uint16_t key, TShiftState shift, QWidget* focus);

    Window* window_;
    QWidget* client_;
    QWidget* menuBar_ = nullptr;
    QEventLoop* loop_ = nullptr;
    TMainMenu* menu_ = nullptr;
    int lastClientW_ = -1;
    int lastClientH_ = -1;
    bool shownOnce_ = false;
    int settingState_ = 0;
    std::string caption_;
    TSizeConstraints constraints_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    bool keyPreview_ = false;
    bool modal_ = false;
    bool created_ = false;
    TModalResult modalResult_ = mrNone;
};

// The tray icon. Where the desktop has no tray, Available() is false and
// the program minimises instead of hiding (see HideToTray).
class TTrayIcon : public TComponent {
public:
    explicit TTrayIcon(TComponent* AOwner);
    ~TTrayIcon() override;
    static bool Available();
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    // True when an icon stands in a tray to bring a hidden window back; a
    // visible icon asked for before any tray existed is made now, so a tray
    // that appeared after start-up is used.
    bool CanBringBack();
    // A left click on the icon.
    TNotifyEvent OnClick;

private:
    std::string hint_;
    bool visible_ = false;
    QSystemTrayIcon* icon_ = nullptr;
};

// Hides the form when its tray icon can bring it back, else minimises it.
void HideToTray(TForm* form, TTrayIcon* icon);

// The application: one per program (Application()).
class TApplication {
public:
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& t);
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* f) { mainForm_ = f; }
    // Sets up the running QApplication the way the program needs it (closing
    // the last window does not quit). Run() calls it.
    void Initialize();
    // Runs the main loop until Terminate(); returns the exit code.
    int Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the events waiting now, timers and socket notices included.
    void ProcessMessages();
    // Waits for the next event and handles what is waiting then.
    void HandleMessage();
    void BringToFront();

private:
    std::string title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

TApplication& Application();

void ClipboardSetText(const std::string& text);
std::string ClipboardText();

}  // namespace forms
