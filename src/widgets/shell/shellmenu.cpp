#include "widgets/shell/shellmenu.h"

#include <QMenu>
#include <QWidget>

#include "forms/dialogs.h"

namespace shell {

std::vector<TScShellMenuCommand> ShellMenuCommands(bool canPaste, bool canRename) {
    std::vector<TScShellMenuCommand> commands = {{"open", "&Open"}, {"cut", "Cu&t"}, {"copy", "&Copy"}};
    if (canPaste) commands.push_back({"paste", "&Paste"});
    commands.push_back({"delete", "&Delete"});
    if (canRename) commands.push_back({"rename", "Rena&me"});
    return commands;
}

std::string ShowShellMenu(QWidget* owner, const QPoint& where, const std::vector<TScShellMenuCommand>& commands) {
    QMenu menu(owner);
    for (const TScShellMenuCommand& c : commands) {
        if (c.Verb == "cut" || c.Verb == "delete") menu.addSeparator();
        QAction* a = menu.addAction(QString::fromStdString(c.Caption));
        a->setData(QString::fromStdString(c.Verb));
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
