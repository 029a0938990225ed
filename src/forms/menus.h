// Menus: a form's main menu bar, pop-up menus and their items.
#pragma once

#include <string>
#include <vector>

#include <QMenuBar>
#include <QPointer>

#include "forms/classes.h"

class QAction;
class QMenu;

namespace forms {

class TForm;

// A menu item; an item with sub-items is a submenu, a caption of "-" a
// separator. The check mark changes only when code sets Checked: choosing a
// checked item runs OnClick and leaves the mark as it was.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    // The item's action carries the name as its objectName, and the
    // accessibility tree gives it as the item's name (its caption is the
    // description).
    void SetName(const std::string& name) override;
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);

    void Add(TMenuItem* item);
    void Insert(int Index, TMenuItem* item);
    void Remove(TMenuItem* item);
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int Index) const { return items_.at(Index); }
    TMenuItem* Parent() const { return parent_; }

    // Runs OnClick as a user's choice does (nothing while disabled).
    void Click();
    TNotifyEvent OnClick;

    QAction* Action() const { return action_; }

protected:
    // Runs after the caption changed, an item was added below, removed or
    // deleted, or the item itself was put under another or taken away.
    virtual void MenuChanged() {}

private:
    QMenu* SubMenu();
    // Where the sub-items' actions go: the form's menu bar for the root of
    // an attached main menu, else the submenu.
    QWidget* Container();
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    QAction* action_;
    QMenu* menu_ = nullptr;
    QPointer<QMenuBar> bar_;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    friend class TMainMenu;
    friend class TPopupMenu;
};

// The menu bar of a form (TForm::SetMenu shows it); its top items are the
// bar's menus.
class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    TMenuItem* Items() const { return root_; }

private:
    void AttachTo(QMenuBar* bar);
    TMenuItem* root_;
    friend class TForm;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    TMenuItem* Items() const { return root_; }
    // Shows the menu at a screen position and waits for a choice.
    void Popup(int X, int Y);

private:
    TMenuItem* root_;
};

}  // namespace forms
