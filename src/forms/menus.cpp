#include "forms/menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "forms/internal.h"

namespace forms {

using detail::Fire;
using detail::Q;

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), action_(new QAction) {
    QObject::connect(action_, &QAction::triggered, action_, [this] {
        // Choosing an item never moves its check mark; only code does.
        if (action_->isCheckable()) {
            const QSignalBlocker block(action_);
            action_->setChecked(checked_);
        }
        Click();
    });
}

namespace detail {
void InstallMenuItemAccess();  // menuaccess.cpp
}

void TMenuItem::SetName(const std::string& name) {
    TComponent::SetName(name);
    action_->setObjectName(Q(name));
    detail::InstallMenuItemAccess();
}

TMenuItem::~TMenuItem() {
    if (TMenuItem* parent = parent_) {
        auto& list = parent->items_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        // The parent may have lost its last sub-item.
        parent->MenuChanged();
    }
    for (TMenuItem* child : items_) child->parent_ = nullptr;
    delete action_;
    delete menu_;
}

void TMenuItem::SetCaption(const std::string& c) {
    caption_ = c;
    action_->setSeparator(c == "-");
    // A separator with a text is drawn as a titled section: the "-" would show.
    action_->setText(c == "-" ? QString() : Q(c));
    MenuChanged();
}

void TMenuItem::SetChecked(bool on) {
    checked_ = on;
    // Only a checked item shows the check column, as on the original platform.
    const QSignalBlocker block(action_);
    action_->setCheckable(on);
    action_->setChecked(on);
}

void TMenuItem::SetEnabled(bool on) {
    enabled_ = on;
    action_->setEnabled(on);
}

void TMenuItem::SetVisible(bool on) {
    visible_ = on;
    action_->setVisible(on);
}

QMenu* TMenuItem::SubMenu() {
    if (!menu_) {
        menu_ = new QMenu;
        action_->setMenu(menu_);
    }
    return menu_;
}

QWidget* TMenuItem::Container() {
    if (bar_) return bar_;
    return SubMenu();
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int Index, TMenuItem* item) {
    if (!item || item->parent_) return;
    Index = std::clamp(Index, 0, Count());
    QWidget* c = Container();
    QAction* before = Index < Count() ? items_[static_cast<size_t>(Index)]->action_ : nullptr;
    c->insertAction(before, item->action_);
    items_.insert(items_.begin() + Index, item);
    item->parent_ = this;
    MenuChanged();
    item->MenuChanged();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    Container()->removeAction(item->action_);
    item->parent_ = nullptr;
    MenuChanged();
    item->MenuChanged();
}

void TMenuItem::Click() {
    if (enabled_) Fire(OnClick, this);
}

TMainMenu::TMainMenu(TComponent* AOwner) : TComponent(AOwner), root_(new TMenuItem(this)) {}

TMainMenu::~TMainMenu() = default;

void TMainMenu::AttachTo(QMenuBar* bar) {
    if (root_->bar_ == bar) return;
    QWidget* old = root_->Container();
    for (TMenuItem* item : root_->items_) {
        old->removeAction(item->action_);
        bar->addAction(item->action_);
    }
    root_->bar_ = bar;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), root_(new TMenuItem(this)) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int X, int Y) { root_->SubMenu()->exec(QPoint(X, Y)); }

}  // namespace forms
