// Menu items in the accessibility tree: like every other control, an item is
// named by its component name (the action's objectName); its caption is the
// description. Qt asks the installed factories for an action's interface
// before it makes its own, so the menus and the menu bar keep their own
// handling and only the items are ours.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>

namespace forms::detail {

namespace {

QString StripAmpersands(QString s) {
    s.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return s;
}

class MenuItemAccess : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit MenuItemAccess(QAction* action) : action_(action) {}

    bool isValid() const override { return !action_.isNull(); }
    QObject* object() const override { return action_; }
    QWindow* window() const override {
        QWidget* owner = Owner();
        return owner ? owner->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        QWidget* owner = Owner();
        return owner ? QAccessible::queryAccessibleInterface(owner) : nullptr;
    }
    QAccessibleInterface* child(int index) const override {
        if (index == 0 && action_ && action_->menu()) return QAccessible::queryAccessibleInterface(action_->menu());
        return nullptr;
    }
    int childCount() const override { return action_ && action_->menu() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && action_ && child->object() == action_->menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!action_) return {};
        if (t == QAccessible::Name) return action_->objectName().isEmpty() ? StripAmpersands(action_->text())
                                                                           : action_->objectName();
        if (t == QAccessible::Description) return StripAmpersands(action_->text());
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        QWidget* owner = Owner();
        if (!owner || !action_) return {};
        QRect r;
        if (auto* bar = qobject_cast<QMenuBar*>(owner)) r = bar->actionGeometry(action_);
        if (auto* menu = qobject_cast<QMenu*>(owner)) r = menu->actionGeometry(action_);
        return QRect(owner->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return action_ && action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        QWidget* owner = Owner();
        if (!action_ || !owner || !owner->isVisible() || !action_->isVisible()) s.invisible = true;
        if (action_ && !action_->isEnabled()) s.disabled = true;
        if (action_ && action_->isCheckable()) s.checkable = true;
        if (action_ && action_->isChecked()) s.checked = true;
        if (action_ && action_->menu()) s.hasPopup = true;
        s.focusable = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override {
        if (!action_ || !action_->isEnabled()) return {};
        return {action_->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString& name) override {
        if (!action_ || !action_->isEnabled()) return;
        QWidget* owner = Owner();
        if (name == pressAction() && !action_->menu()) {
            if (auto* menu = qobject_cast<QMenu*>(owner)) menu->hide();
            action_->trigger();
        } else if (name == showMenuAction()) {
            if (auto* bar = qobject_cast<QMenuBar*>(owner)) bar->setActiveAction(action_);
            if (auto* menu = qobject_cast<QMenu*>(owner)) menu->setActiveAction(action_);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    // The menu or menu bar that shows the item.
    QWidget* Owner() const {
        if (!action_) return nullptr;
        for (QObject* o : action_->associatedObjects())
            if (auto* w = qobject_cast<QWidget*>(o); w && (qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w)))
                return w;
        return nullptr;
    }
    QPointer<QAction> action_;
};

QAccessibleInterface* MenuItemFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QAction")) return nullptr;
    auto* action = qobject_cast<QAction*>(object);
    return action && !action->objectName().isEmpty() ? new MenuItemAccess(action) : nullptr;
}

}  // namespace

void InstallMenuItemAccess() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(MenuItemFactory);
}

}  // namespace forms::detail
