// Shortcuts (the menus' encoding) as the shell controls name them,
// written and read as texts such as "Shift+Del".
// The controls' default keys are a process-wide table of such texts.
#pragma once

#include <cstdint>
#include <string>

#include "forms/controls.h"
#include "widgets/unicode/unimenus.h"

namespace shell {

using uni::scAlt;
using uni::scCtrl;
using uni::scShift;
using uni::TShortCut;

// The name of a key code ("Del", "F5", "A", "#41").
std::string KeyName(unsigned key);
// "Shift+", "Ctrl+", "Alt+" as present, then the key's name.
std::string ShortCutText(TShortCut shortcut);
// The shortcut a text names; 0 when it names no key. Modifier prefixes
// ("Shift+", "^" or "Ctrl+", "Alt+") may come in any order, any case.
TShortCut TextToShortCut(const std::string& text);
// The shortcut of a key pressed with a shift state.
TShortCut ShortCutOf(uint16_t key, forms::TShiftState shift);

// The default keys of the shell controls, by index.
enum TScDefKey { dkSelectAll = 0, dkDelete, dkCopy, dkCut, dkPaste, dkRefresh, dkRename, dkCount };
struct TScShellControlDefKeyRec {
    std::string Text;
    TShortCut ShortCut;
};
// The table; its shortcuts are parsed from the texts on first use.
const TScShellControlDefKeyRec& ScShellControlDefKey(int index);

}  // namespace shell
