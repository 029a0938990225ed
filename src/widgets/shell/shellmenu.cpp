#include "widgets/shell/shellmenu.h"

#include <QMenu>
#include <QWidget>

#include "forms/dialogs.h"
#include "platform/guard.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

uint32_t VerbAttributes(const std::string& verb) {
    if (verb == "cut") return SFGAO_CANMOVE;
    if (verb == "copy") return SFGAO_CANCOPY;
    if (verb == "delete") return SFGAO_CANDELETE;
    if (verb == "rename") return SFGAO_CANRENAME;
    if (verb == "paste") return SFGAO_DROPTARGET;
    return 0;
}

std::vector<TScShellMenuCommand> ShellMenuCommands(uint32_t attributes, bool canPaste, bool canRename) {
    std::vector<TScShellMenuCommand> commands = {{"open", "&Open", "Opens the selected item."}};
    auto offer = [&](const char* verb, const char* caption, const char* help, bool can) {
        if (can && VerbAllowed(attributes, verb)) commands.push_back({verb, caption, help});
    };
    offer("cut", "Cu&t", "Removes the selected items and puts them on the clipboard to be pasted elsewhere.", true);
    offer("copy", "&Copy", "Copies the selected items to the clipboard.", true);
    offer("paste", "&Paste", "Puts the items on the clipboard into this folder.", canPaste);
    offer("delete", "&Delete", "Moves the selected items to the Trash.", true);
    offer("rename", "Rena&me", "Renames the selected item.", canRename);
    return commands;
}

std::string ShowShellMenu(QWidget* owner, const QPoint& where, const std::vector<TScShellMenuCommand>& commands,
                          const TScShPopupHintEvent& hint) {
    QMenu menu(owner);
    if (hint) {
        QObject::connect(&menu, &QMenu::hovered, &menu, [&hint](QAction* a) {
            platform::RunGuarded([&] { hint(a && !a->isSeparator() ? a->statusTip().toStdString() : std::string()); });
        });
        QObject::connect(&menu, &QMenu::aboutToHide, &menu, [&hint] { platform::RunGuarded([&] { hint(""); }); });
    }
    for (size_t i = 0; i < commands.size(); ++i) {
        const TScShellMenuCommand& c = commands[i];
        if (i > 0 && (commands[i - 1].Verb == "open" || c.Verb == "delete")) menu.addSeparator();
        QAction* a = menu.addAction(QString::fromStdString(c.Caption));
        a->setData(QString::fromStdString(c.Verb));
        a->setStatusTip(QString::fromStdString(c.Help));
        if (c.Verb == "open") menu.setDefaultAction(a);
    }
    QAction* chosen = menu.exec(where);
    return chosen ? chosen->data().toString().toStdString() : std::string();
}

bool ConfirmShellDelete(const std::vector<std::string>& names, bool permanent) {
    if (names.empty()) return false;
    std::string text;
    if (names.size() == 1)
        text = permanent ? "Delete \"" + names.front() + "\" for good? It cannot be brought back."
                         : "Move \"" + names.front() + "\" to the Trash?";
    else
        text = permanent ? "Delete the " + std::to_string(names.size()) +
                               " selected items for good? They cannot be brought back."
                         : "Move the " + std::to_string(names.size()) + " selected items to the Trash?";
    return forms::MessageDlg(text, forms::mtConfirmation, forms::mbYes | forms::mbNo) == forms::mrYes;
}

}  // namespace shell
