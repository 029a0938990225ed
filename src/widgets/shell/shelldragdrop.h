// Drag and drop of shell items between the shell controls and other
// programs. A drag carries the items as text/uri-list (file: URIs) and as
// our own item-id array, which only our own controls read; a drop onto a
// folder copies, moves or links the dropped files into it through the
// verbs' transfer rules.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QObject>
#include <QPoint>

#include "widgets/shell/filetransfer.h"
#include "widgets/shell/idlistarray.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/shelltypes.h"

class QContextMenuEvent;
class QDrag;
class QDragMoveEvent;
class QDropEvent;
class QMouseEvent;
class QMimeData;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace shell {

// Drop effects.
inline constexpr uint32_t DROPEFFECT_NONE = 0;
inline constexpr uint32_t DROPEFFECT_COPY = 1;
inline constexpr uint32_t DROPEFFECT_MOVE = 2;
inline constexpr uint32_t DROPEFFECT_LINK = 4;
inline constexpr uint32_t kAllDropEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// Key-state bits of a drag: the mouse buttons and the modifiers held.
inline constexpr uint32_t MK_LBUTTON = 0x01;
inline constexpr uint32_t MK_RBUTTON = 0x02;
inline constexpr uint32_t MK_SHIFT = 0x04;
inline constexpr uint32_t MK_CONTROL = 0x08;
inline constexpr uint32_t MK_MBUTTON = 0x10;
inline constexpr uint32_t MK_ALT = 0x20;
inline constexpr uint32_t kDragButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

inline constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
inline constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;

// The formats a drag of shell items offers, in this order.
inline constexpr const char* kShellIdListFormat = "application/x-quillnest-shell-idlist-array";
inline constexpr const char* kUriListFormat = "text/uri-list";

// --- the data object ---

// The text/uri-list of paths: one percent-encoded file: URI per line, each
// ended by CR LF.
QByteArray UriListOf(const std::vector<std::string>& paths);
// The data of a drag of items (relative to parent) with their paths: the
// item-id array when there are items, then the URI list when there are
// paths.
QMimeData* MakeShellDataObject(PCItemIDList parent, const std::vector<PCItemIDList>& items,
                               const std::vector<std::string>& paths);
// The effects every dragged item allows, from the item-id array's folder;
// all three when the data carries no readable array (another program's).
uint32_t DataObjectDropEffects(const QMimeData* data);

// --- the drop source ---

// The rules of a drag's source: Escape, or a press of another of the three
// buttons, cancels; the drag's button still down goes on; its release drops.
class TDropSource_shlvtv {
public:
    // Button kind: 0 left, 1 right, 2 middle.
    explicit TDropSource_shlvtv(int buttonKind);
    uint32_t ButtonMask() const { return button_; }
    HRESULT QueryContinueDrag(bool escapePressed, uint32_t keyState) const;
    HRESULT GiveFeedback(uint32_t /*effect*/) const { return DRAGDROP_S_USEDEFAULTCURSORS; }
    // Runs the drag loop for a drag whose data is set, offering the allowed
    // effects. DRAGDROP_S_DROP with the effect the target chose, or
    // DRAGDROP_S_CANCEL with none.
    HRESULT DoDragDrop(QDrag* drag, uint32_t allowed, uint32_t& effect);

private:
    uint32_t button_;
};
std::unique_ptr<TDropSource_shlvtv> CreateDropSource(int buttonKind);

// --- the drop target's choice ---

// The effect a drop into a folder has: Ctrl+Shift or Alt link, Ctrl copy,
// Shift move; with no modifier a move on the same device and a copy across
// devices, falling back to another allowed effect. An effect the modifiers
// name but the drag does not allow gives none.
uint32_t FolderDropEffect(uint32_t keyState, uint32_t allowed, bool sameDevice);
// The effect of dropping paths into a folder: none when the folder is one
// of them or inside one (for a copy or a move), else FolderDropEffect.
uint32_t DropEffectFor(const std::vector<std::string>& paths, const std::string& folder, uint32_t keyState,
                       uint32_t allowed);
// All the effects a drop of the paths into a folder may have (a drag with
// the right button offers them in a menu): only a link into a folder that
// is one of them or inside one.
uint32_t DropEffectsFor(const std::vector<std::string>& paths, const std::string& folder, uint32_t allowed);
// The menu that ends a drag with the right button: an entry for each
// effect, then Cancel (effect none).
std::vector<std::pair<uint32_t, std::string>> DropMenuCommands(uint32_t effects);
// Shows that menu at a global position with the preferred effect as its
// default entry; the effect chosen, none for Cancel or no choice.
uint32_t ChooseDropEffect(QWidget* owner, const QPoint& where, uint32_t effects, uint32_t preferred);
// Copies, moves or links the paths into the folder as the effect says (the
// verbs' transfer rules), on a worker while the window's loop goes on.
// Returns what arrived and what did not.
TTransferReport DropInto(const std::vector<std::string>& paths, const std::string& folder, uint32_t effect);
// The effect a drop tells its source, from what it did with the items
// offered: none when nothing arrived, a copy for a move that took only some.
uint32_t ToldEffect(uint32_t effect, size_t offered, size_t done);

// --- a control's part in it ---

// What a drag carries.
struct TScDragItems {
    PidlPtr Parent;
    std::vector<PidlPtr> Items;
    std::vector<std::string> Paths;
    uint32_t Effects = kAllDropEffects;
};

// What a shell control tells its drag-and-drop helper. Rows are the view's.
class TScDragDropHost {
public:
    virtual ~TScDragDropHost() = default;
    virtual bool DragEnabled() const = 0;
    virtual bool DropEnabled() const = 0;
    // The items of a drag that starts on a row; false: it cannot be dragged.
    virtual bool DragItems(QTreeWidgetItem* row, TScDragItems& items) = 0;
    // The folder a drop on a row (nullptr: the empty area) goes into; ""
    // for none. fromSelf: the drag started in this control; keyState: its
    // buttons and keys; effects: those allowed, which the control may
    // narrow.
    virtual std::string DropFolder(QTreeWidgetItem* row, bool fromSelf, uint32_t keyState, uint32_t& effects) = 0;
    // A drag out of the control starts (true) or ends (false, with whether
    // it dropped).
    virtual void Dragging(bool on, bool dropped) = 0;
    // Items were dropped into the control.
    virtual void Dropped() = 0;
    // The pointer rested on a row during a drag.
    virtual void HoverRow(QTreeWidgetItem* /*row*/) {}
};

// Starts drags from a shell control's rows and takes drops onto them: the
// mouse on the view's viewport, drops with the control's folder rules,
// auto-scroll near the edges and a rest over a row for HoverRow.
class TScShellDragDrop : public QObject {
public:
    TScShellDragDrop(QTreeWidget* view, TScDragDropHost* host);
    ~TScShellDragDrop() override;

    // Auto-scroll: margins, the least time between two steps, and the
    // rest that counts as a hover.
    static constexpr int kScrollMarginX = 26;
    static constexpr int kScrollMarginY = 20;
    static constexpr std::chrono::milliseconds kScrollInterval{100};
    static constexpr std::chrono::milliseconds kHoverTime{400};
    static constexpr int kHoverWidth = 2;
    static constexpr int kHoverHeight = 2;

    void DragScroll(const QPoint& point);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // buttonKind: 0 left, 1 right.
    void StartDrag(int buttonKind);
    // The target and effect of a drag at a point; "" for none. choices:
    // every effect the drop may have there.
    std::string TargetOf(const QDropEvent* e, uint32_t keyState, uint32_t& effect, uint32_t* choices = nullptr);
    void DragOver(QDragMoveEvent* e);
    void Drop(QDropEvent* e);
    // Does a drop's effect and tells the user what was not done.
    TTransferReport Transfer(const std::vector<std::string>& paths, const std::string& folder, uint32_t effect);
    void Highlight(QTreeWidgetItem* row);
    void EndDragOver();

    QTreeWidget* view_;
    TScDragDropHost* host_;
    QTimer* overTimer_;
    // The mouse before a drag.
    QPoint pressPos_;
    bool pressed_ = false;
    Qt::MouseButton pressButton_ = Qt::NoButton;
    std::unique_ptr<QMouseEvent> pendingPress_;  // a press on a selected row waits for its release
    std::unique_ptr<QContextMenuEvent> pendingMenu_;  // a right press's menu waits for its release
    bool replaying_ = false;
    // The drag over this control.
    QTreeWidgetItem* highlighted_ = nullptr;
    uint32_t keyState_ = 0;
    QPoint overPoint_;
    std::chrono::steady_clock::time_point lastScroll_{};
    QPoint lastPoint_;
    std::chrono::steady_clock::time_point lastHover_{};
};

}  // namespace shell
