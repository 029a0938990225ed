// The context menu that the shell folder tree and the shell folder list
// share: the same verbs in the same order, built as a Qt menu, and the
// question asked before a delete.
#pragma once

#include <string>
#include <vector>

class QPoint;
class QWidget;

namespace shell {

// One command of the menu: the verb it runs and its caption.
struct TScShellMenuCommand {
    std::string Verb;
    std::string Caption;
};

// "open", "cut", "copy", "paste" (when the items take a paste), "delete",
// and "rename" (when renaming is allowed), in menu order.
std::vector<TScShellMenuCommand> ShellMenuCommands(bool canPaste, bool canRename);

// Shows the commands as a menu at a global position ("open" is the default
// entry); the verb chosen, "" when the menu was closed without one.
std::string ShowShellMenu(QWidget* owner, const QPoint& where, const std::vector<TScShellMenuCommand>& commands);

// Asks before items go to the Trash (or, permanent, for good); names are
// the items' captions. False: the user said no.
bool ConfirmShellDelete(const std::vector<std::string>& names, bool permanent);

}  // namespace shell
