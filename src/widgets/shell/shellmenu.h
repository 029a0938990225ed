// The context menu that the shell folder tree and the shell folder list
// share: the same verbs in the same order, built as a Qt menu, and the
// question asked before a delete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QPoint;
class QWidget;

namespace shell {

// One command of the menu: the verb it runs, its caption and its help
// text (the hint shown while it is highlighted).
struct TScShellMenuCommand {
    std::string Verb;
    std::string Caption;
    std::string Help;
};

// Told the help text of the highlighted entry of an open context menu, ""
// when none is highlighted.
using TScShPopupHintEvent = std::function<void(const std::string& hint)>;

// The attributes (SFGAO_ bits) that every item of a verb must have for the
// verb to be offered or run: cut can-move, copy can-copy, delete
// can-delete, rename can-rename, paste a drop target; none for "open".
uint32_t VerbAttributes(const std::string& verb);
inline bool VerbAllowed(uint32_t attributes, const std::string& verb) {
    return (attributes & VerbAttributes(verb)) == VerbAttributes(verb);
}
// The attributes a verb check asks the items for.
inline constexpr uint32_t kVerbAttributeMask = 0x1 | 0x2 | 0x10 | 0x20 | 0x100;

// "open", then of "cut", "copy", "paste" (when the items take a paste),
// "delete" and "rename" (when renaming is allowed) those that the items'
// attributes allow, in menu order.
std::vector<TScShellMenuCommand> ShellMenuCommands(uint32_t attributes, bool canPaste, bool canRename);

// Shows the commands as a menu at a global position ("open" is the default
// entry), telling hint of each entry highlighted; the verb chosen, "" when
// the menu was closed without one.
std::string ShowShellMenu(QWidget* owner, const QPoint& where, const std::vector<TScShellMenuCommand>& commands,
                          const TScShPopupHintEvent& hint = {});

// Asks before items go to the Trash (or, permanent, for good); names are
// the items' captions. False: the user said no.
bool ConfirmShellDelete(const std::vector<std::string>& names, bool permanent);

}  // namespace shell
