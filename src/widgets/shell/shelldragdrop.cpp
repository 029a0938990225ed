#include "widgets/shell/shelldragdrop.h"

#include <cstring>
#include <sys/stat.h>

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QContextMenuEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include "platform/guard.h"
#include "widgets/shell/fileuri.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shellverbs.h"
#include "widgets/shell/transferjob.h"

namespace shell {

namespace {

// How often a drag resting over a control gets its auto-scroll and hover.
constexpr int kDragOverTickMs = 50;
// How long after a drop with the right button its menu comes: the drag's
// own pointer grab has to have gone, or the menu could not hold the pointer.
constexpr int kDropMenuDelayMs = 200;

uint32_t KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t state = 0;
    if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
    if (buttons & Qt::RightButton) state |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
    if (modifiers & Qt::AltModifier) state |= MK_ALT;
    return state;
}

Qt::DropActions ActionsOf(uint32_t effects) {
    Qt::DropActions actions;
    if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK) actions |= Qt::LinkAction;
    return actions;
}

uint32_t EffectsOf(Qt::DropActions actions) {
    uint32_t effects = 0;
    if (actions & Qt::CopyAction) effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropAction ActionOf(uint32_t effect) {
    switch (effect) {
        case DROPEFFECT_COPY: return Qt::CopyAction;
        case DROPEFFECT_MOVE: return Qt::MoveAction;
        case DROPEFFECT_LINK: return Qt::LinkAction;
        default: return Qt::IgnoreAction;
    }
}

bool SameDevice(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::lstat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// Watches the application while a drag runs and asks the drop source
// whether it goes on: Escape and a press of another button end it.
class TDragWatch : public QObject {
public:
    // Installed once the drag loop runs, so that it sees events before the
    // loop's own filter does.
    explicit TDragWatch(const TDropSource_shlvtv* source) : source_(source) {
        QTimer::singleShot(0, this, [this] { qApp->installEventFilter(this); });
    }
    ~TDragWatch() override { qApp->removeEventFilter(this); }
    bool Cancelled() const { return cancelled_; }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (cancelled_) return false;
        bool escape = false;
        uint32_t keyState = 0;
        if (e->type() == QEvent::KeyPress) {
            const auto* ke = static_cast<QKeyEvent*>(e);
            escape = ke->key() == Qt::Key_Escape;
            keyState = KeyStateOf(QGuiApplication::mouseButtons(), ke->modifiers()) | source_->ButtonMask();
        } else if (e->type() == QEvent::MouseButtonPress) {
            const auto* me = static_cast<QMouseEvent*>(e);
            keyState = KeyStateOf(me->buttons() | me->button(), me->modifiers());
        } else {
            return false;
        }
        if (source_->QueryContinueDrag(escape, keyState) == DRAGDROP_S_CANCEL) {
            cancelled_ = true;
            QDrag::cancel();
            return true;
        }
        return false;
    }

private:
    const TDropSource_shlvtv* source_;
    bool cancelled_ = false;
};

}  // namespace

// --- the data object ---

QByteArray UriListOf(const std::vector<std::string>& paths) {
    const std::string list = UriListText(paths);
    return QByteArray(list.data(), static_cast<qsizetype>(list.size()));
}

QMimeData* MakeShellDataObject(PCItemIDList parent, const std::vector<PCItemIDList>& items,
                               const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    if (!items.empty()) {
        const std::string block = MakeIdListArray(parent, items);
        data->setData(kShellIdListFormat, QByteArray(block.data(), static_cast<qsizetype>(block.size())));
    }
    if (!paths.empty()) data->setData(kUriListFormat, UriListOf(paths));
    return data;
}

uint32_t DataObjectDropEffects(const QMimeData* data) {
    if (!data || !data->hasFormat(kShellIdListFormat)) return kAllDropEffects;
    const QByteArray block = data->data(kShellIdListFormat);
    PidlPtr parent;
    std::vector<PidlPtr> items;
    if (!ReadIdListArray(std::string_view(block.constData(), static_cast<size_t>(block.size())), parent, items))
        return kAllDropEffects;
    ShellFolderPtr folder;
    if (FAILED(BindFolderOfPidl(parent.get(), folder))) return kAllDropEffects;
    uint32_t shared = kAllDropEffects;
    for (const PidlPtr& item : items) {
        uint32_t a = kAllDropEffects;
        if (FAILED(folder->GetAttributesOf(item.get(), a))) return kAllDropEffects;
        shared &= a;
    }
    return shared & kAllDropEffects;
}

// --- the drop source ---

TDropSource_shlvtv::TDropSource_shlvtv(int buttonKind)
    : button_(buttonKind == 1 ? MK_RBUTTON : buttonKind == 2 ? MK_MBUTTON : MK_LBUTTON) {}

HRESULT TDropSource_shlvtv::QueryContinueDrag(bool escapePressed, uint32_t keyState) const {
    if (escapePressed || (keyState & kDragButtons & ~button_)) return DRAGDROP_S_CANCEL;
    return (keyState & button_) ? S_OK : DRAGDROP_S_DROP;
}

HRESULT TDropSource_shlvtv::DoDragDrop(QDrag* drag, uint32_t allowed, uint32_t& effect) {
    TDragWatch watch(this);
    const Qt::DropAction action = drag->exec(ActionsOf(allowed));
    effect = watch.Cancelled() ? DROPEFFECT_NONE : EffectsOf(action);
    return effect == DROPEFFECT_NONE ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
}

std::unique_ptr<TDropSource_shlvtv> CreateDropSource(int buttonKind) {
    return std::make_unique<TDropSource_shlvtv>(buttonKind);
}

// --- the drop target's choice ---

uint32_t FolderDropEffect(uint32_t keyState, uint32_t allowed, bool sameDevice) {
    allowed &= kAllDropEffects;
    const bool ctrl = keyState & MK_CONTROL, shift = keyState & MK_SHIFT;
    uint32_t wanted = 0;
    if ((ctrl && shift) || (keyState & MK_ALT)) wanted = DROPEFFECT_LINK;
    else if (ctrl) wanted = DROPEFFECT_COPY;
    else if (shift) wanted = DROPEFFECT_MOVE;
    if (wanted != 0) return allowed & wanted;
    for (uint32_t effect : {sameDevice ? DROPEFFECT_MOVE : DROPEFFECT_COPY, DROPEFFECT_COPY, DROPEFFECT_MOVE,
                            DROPEFFECT_LINK})
        if (allowed & effect) return effect;
    return DROPEFFECT_NONE;
}

uint32_t DropEffectFor(const std::vector<std::string>& paths, const std::string& folder, uint32_t keyState,
                       uint32_t allowed) {
    if (paths.empty() || folder.empty()) return DROPEFFECT_NONE;
    const uint32_t effect = FolderDropEffect(keyState, allowed, SameDevice(paths.front(), folder));
    if (effect != DROPEFFECT_LINK)
        for (const std::string& p : paths)
            if (IsInsideOf(folder, p)) return DROPEFFECT_NONE;
    return effect;
}

TTransferReport DropInto(const std::vector<std::string>& paths, const std::string& folder, uint32_t effect) {
    switch (effect) {
        case DROPEFFECT_COPY: return TransferWhileServing(paths, folder, TTransferKind::Copy);
        case DROPEFFECT_MOVE: return TransferWhileServing(paths, folder, TTransferKind::Move);
        case DROPEFFECT_LINK: return TransferWhileServing(paths, folder, TTransferKind::Link);
        default: return {};
    }
}

uint32_t DropEffectsFor(const std::vector<std::string>& paths, const std::string& folder, uint32_t allowed) {
    if (paths.empty() || folder.empty()) return DROPEFFECT_NONE;
    allowed &= kAllDropEffects;
    for (const std::string& p : paths)
        if (IsInsideOf(folder, p)) return allowed & DROPEFFECT_LINK;
    return allowed;
}

std::vector<std::pair<uint32_t, std::string>> DropMenuCommands(uint32_t effects) {
    std::vector<std::pair<uint32_t, std::string>> commands;
    if (effects & DROPEFFECT_COPY) commands.push_back({DROPEFFECT_COPY, "&Copy Here"});
    if (effects & DROPEFFECT_MOVE) commands.push_back({DROPEFFECT_MOVE, "&Move Here"});
    if (effects & DROPEFFECT_LINK) commands.push_back({DROPEFFECT_LINK, "&Link Here"});
    if (!commands.empty()) commands.push_back({DROPEFFECT_NONE, "Cancel"});
    return commands;
}

uint32_t ChooseDropEffect(QWidget* owner, const QPoint& where, uint32_t effects, uint32_t preferred) {
    QMenu menu(owner);
    menu.setObjectName("DropMenu");
    for (const auto& [effect, caption] : DropMenuCommands(effects)) {
        if (effect == DROPEFFECT_NONE) menu.addSeparator();
        QAction* a = menu.addAction(QString::fromStdString(caption));
        a->setData(effect);
        if (effect == preferred) menu.setDefaultAction(a);
    }
    if (menu.isEmpty()) return DROPEFFECT_NONE;
    QAction* chosen = menu.exec(where, menu.defaultAction());
    return chosen ? chosen->data().toUInt() : DROPEFFECT_NONE;
}

uint32_t ToldEffect(uint32_t effect, size_t offered, size_t done) {
    if (done == 0) return DROPEFFECT_NONE;
    // A source told of a move removes its items: only a move that took them
    // all is told as one (the items that did move are gone from it already).
    if (effect == DROPEFFECT_MOVE && done < offered) return DROPEFFECT_COPY;
    return effect;
}

// --- a control's part in it ---

TScShellDragDrop::TScShellDragDrop(QTreeWidget* view, TScDragDropHost* host)
    : QObject(view), view_(view), host_(host), overTimer_(new QTimer(this)) {
    view_->viewport()->setAcceptDrops(true);
    view_->viewport()->installEventFilter(this);
    overTimer_->setInterval(kDragOverTickMs);
    // A row that goes during a drag is no longer marked.
    connect(view_->model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { highlighted_ = nullptr; });
    connect(view_->model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { highlighted_ = nullptr; });
    connect(overTimer_, &QTimer::timeout, this, [this] { platform::RunGuarded([this] { DragScroll(overPoint_); }); });
}

// The view drops a deleted filter by itself.
TScShellDragDrop::~TScShellDragDrop() = default;

bool TScShellDragDrop::eventFilter(QObject*, QEvent* event) {
    bool eaten = false;
    platform::RunGuarded([&] {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const auto* me = static_cast<QMouseEvent*>(event);
                // A press of the left or right button on a row may start a
                // drag; one on the empty area leaves the view its own
                // selecting.
                pressPos_ = me->position().toPoint();
                const bool dragButton = me->button() == Qt::LeftButton || me->button() == Qt::RightButton;
                QTreeWidgetItem* row = dragButton && host_->DragEnabled() ? view_->itemAt(pressPos_) : nullptr;
                pressed_ = row != nullptr;
                pressButton_ = me->button();
                pendingMenu_.reset();
                // A left press on a selected row would change the selection
                // (to that row alone, or without it with Ctrl): it waits, so
                // that a drag takes the whole selection, and is played to the
                // view at the release when no drag came.
                if (row && me->button() == Qt::LeftButton && row->isSelected() && !replaying_) {
                    pendingPress_.reset(static_cast<QMouseEvent*>(me->clone()));
                    view_->setFocus(Qt::MouseFocusReason);
                    eaten = true;
                }
                break;
            }
            case QEvent::ContextMenu:
                // A right press that may become a drag shows its menu only
                // when the button comes up without one.
                if (pressed_ && pressButton_ == Qt::RightButton && !replaying_ &&
                    static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) {
                    pendingMenu_.reset(static_cast<QContextMenuEvent*>(event->clone()));
                    eaten = true;
                }
                break;
            case QEvent::MouseMove: {
                const auto* me = static_cast<QMouseEvent*>(event);
                if (!pressed_ || !(me->buttons() & pressButton_)) break;
                // Until the drag starts the view must not select by dragging.
                eaten = true;
                if ((me->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance()) break;
                pressed_ = false;
                pendingPress_.reset();
                pendingMenu_.reset();
                StartDrag(pressButton_ == Qt::RightButton ? 1 : 0);
                eaten = true;
                break;
            }
            case QEvent::MouseButtonRelease:
                pressed_ = false;
                if (std::unique_ptr<QMouseEvent> press = std::move(pendingPress_)) {
                    replaying_ = true;
                    QApplication::sendEvent(view_->viewport(), press.get());
                    replaying_ = false;
                    pressed_ = false;
                }
                if (std::unique_ptr<QContextMenuEvent> menu = std::move(pendingMenu_)) {
                    replaying_ = true;
                    QApplication::sendEvent(view_->viewport(), menu.get());
                    replaying_ = false;
                }
                break;
            case QEvent::DragEnter: {
                auto* e = static_cast<QDragEnterEvent*>(event);
                eaten = true;
                if (!host_->DropEnabled() || !(e->mimeData()->hasFormat(kUriListFormat))) return e->ignore();
                e->accept();
                lastScroll_ = std::chrono::steady_clock::now();
                break;
            }
            case QEvent::DragMove:
                DragOver(static_cast<QDragMoveEvent*>(event));
                eaten = true;
                break;
            case QEvent::DragLeave:
                EndDragOver();
                eaten = true;
                break;
            case QEvent::Drop:
                eaten = true;
                Drop(static_cast<QDropEvent*>(event));
                break;
            default: break;
        }
    });
    return eaten;
}

void TScShellDragDrop::StartDrag(int buttonKind) {
    QTreeWidgetItem* row = view_->itemAt(pressPos_);
    TScDragItems items;
    if (!row || !host_->DragItems(row, items)) return;
    std::vector<PCItemIDList> lists;
    for (const PidlPtr& item : items.Items) lists.push_back(item.get());
    // Qt deletes the drag when its data is no longer asked for.
    auto* drag = new QDrag(view_);
    drag->setMimeData(MakeShellDataObject(items.Parent.get(), lists, items.Paths));
    std::unique_ptr<TDropSource_shlvtv> source = CreateDropSource(buttonKind);
    host_->Dragging(true, false);
    uint32_t effect = DROPEFFECT_NONE;
    HRESULT result = DRAGDROP_S_CANCEL;
    platform::RunGuarded([&] { result = source->DoDragDrop(drag, items.Effects, effect); });
    host_->Dragging(false, result == DRAGDROP_S_DROP);
}

std::string TScShellDragDrop::TargetOf(const QDropEvent* e, uint32_t keyState, uint32_t& effect, uint32_t* choices) {
    effect = DROPEFFECT_NONE;
    bool cut = false;
    const std::vector<std::string> paths = FileListOfData(e->mimeData(), cut);
    QTreeWidgetItem* row = view_->itemAt(e->position().toPoint());
    uint32_t allowed = EffectsOf(e->possibleActions()) & DataObjectDropEffects(e->mimeData());
    const std::string folder = host_->DropFolder(row, e->source() == view_, keyState, allowed);
    effect = DropEffectFor(paths, folder, keyState, allowed);
    if (choices) *choices = effect == DROPEFFECT_NONE ? DROPEFFECT_NONE : DropEffectsFor(paths, folder, allowed);
    Highlight(effect != DROPEFFECT_NONE ? row : nullptr);
    return effect != DROPEFFECT_NONE ? folder : std::string();
}

void TScShellDragDrop::DragOver(QDragMoveEvent* e) {
    keyState_ = KeyStateOf(e->buttons(), e->modifiers());
    overPoint_ = e->position().toPoint();
    if (!overTimer_->isActive()) overTimer_->start();
    uint32_t effect = DROPEFFECT_NONE;
    TargetOf(e, keyState_, effect);
    if (effect == DROPEFFECT_NONE) return e->ignore();
    e->setDropAction(ActionOf(effect));
    e->accept();
}

void TScShellDragDrop::Drop(QDropEvent* e) {
    // The buttons are up by now: the key state keeps those of the last move.
    const uint32_t keyState = KeyStateOf(e->buttons(), e->modifiers()) | (keyState_ & (MK_LBUTTON | MK_RBUTTON));
    uint32_t effect = DROPEFFECT_NONE, choices = DROPEFFECT_NONE;
    const std::string folder = TargetOf(e, keyState, effect, &choices);
    EndDragOver();
    // The drop counts as done only when something arrived: a source told of
    // a move may remove its items.
    e->ignore();
    if (effect == DROPEFFECT_NONE) return;
    bool cut = false;
    std::vector<std::string> paths = FileListOfData(e->mimeData(), cut);
    if (keyState & MK_RBUTTON) {
        // A drag with the right button asks what to do, once the drop has
        // gone back to its source (which must not wait on a menu): the
        // source is told of nothing, and what is chosen is done here.
        const QPoint where = view_->viewport()->mapToGlobal(e->position().toPoint());
        QTimer::singleShot(kDropMenuDelayMs, view_, [this, paths = std::move(paths), folder, choices, effect, where] {
            platform::RunGuarded([&] {
                const uint32_t chosen = ChooseDropEffect(view_, where, choices, effect);
                if (chosen != DROPEFFECT_NONE) Transfer(paths, folder, chosen);
            });
        });
        return;
    }
    const TTransferReport report = Transfer(paths, folder, effect);
    e->setDropAction(ActionOf(ToldEffect(effect, paths.size(), report.Done.size())));
    if (!report.Done.empty()) e->accept();
}

TTransferReport TScShellDragDrop::Transfer(const std::vector<std::string>& paths, const std::string& folder,
                                           uint32_t effect) {
    TTransferReport report;
    try {
        report = DropInto(paths, folder, effect);
    } catch (const EShellVerbError& error) {
        report.Problems.push_back(error.what());
    }
    host_->Dropped();  // what did arrive is shown
    // The user hears of what was not done once the drop has gone back to
    // its source, which must not wait on a message box.
    if (!report.Problems.empty())
        QTimer::singleShot(0, view_, [problems = report.Problems] { platform::RunGuarded([&] { TellProblems(problems); }); });
    return report;
}

void TScShellDragDrop::Highlight(QTreeWidgetItem* row) {
    if (row == highlighted_) return;
    if (highlighted_)
        for (int c = 0; c < view_->columnCount(); ++c) highlighted_->setData(c, Qt::BackgroundRole, QVariant());
    highlighted_ = row;
    if (row) {
        QColor mark = view_->palette().color(QPalette::Highlight);
        mark.setAlpha(96);
        for (int c = 0; c < view_->columnCount(); ++c) row->setBackground(c, mark);
    }
}

void TScShellDragDrop::EndDragOver() {
    overTimer_->stop();
    Highlight(nullptr);
}

void TScShellDragDrop::DragScroll(const QPoint& point) {
    using std::chrono::steady_clock;
    const steady_clock::time_point now = steady_clock::now();
    if (now - lastScroll_ > kScrollInterval) {
        const QSize area = view_->viewport()->size();
        auto step = [&](QScrollBar* bar, bool back) {
            if (bar->maximum() <= bar->minimum()) return;  // everything fits
            const int before = bar->value();
            bar->triggerAction(back ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
            if (bar->value() != before) lastHover_ = now;
        };
        if (point.x() < kScrollMarginX) step(view_->horizontalScrollBar(), true);
        else if (point.x() > area.width() - kScrollMarginX) step(view_->horizontalScrollBar(), false);
        if (point.y() < kScrollMarginY) step(view_->verticalScrollBar(), true);
        else if (point.y() > area.height() - kScrollMarginY) step(view_->verticalScrollBar(), false);
        lastScroll_ = now;
    }
    const QRect hover(lastPoint_ - QPoint(kHoverWidth / 2, kHoverHeight / 2), lastPoint_ + QPoint(kHoverWidth, kHoverHeight));
    if (hover.contains(point)) {
        if (now - lastHover_ <= kHoverTime) return;
        if (QTreeWidgetItem* row = view_->itemAt(lastPoint_)) host_->HoverRow(row);
    }
    lastPoint_ = point;
    lastHover_ = now;
}

}  // namespace shell
