// Menu items with wide captions and hints, the wide text of a keyboard
// shortcut, and the hot-key ("&") rules of captions.
#pragma once

#include <cstdint>
#include <string>

#include "forms/menus.h"

namespace uni {

// A shortcut: the key code in the low byte, plus these modifier bits.
using TShortCut = uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// "Ctrl+Z", "Shift+F5", "Alt+Del"; empty for a key without a name.
std::u16string WideShortCutToText(TShortCut ShortCut);

// Removes each "&" and keeps the character after it unexamined, so "&&"
// leaves one "&"; where the default locale is Chinese, Japanese or Korean a
// group "(&X)" goes whole.
std::u16string WideStripHotKeys(const std::u16string& Caption);
// The same caption once hot keys are stripped, exactly or ignoring case.
bool WideSameCaption(const std::u16string& A, const std::u16string& B);
bool WideSameCaptionIgnoreCase(const std::u16string& A, const std::u16string& B);

// The wide caption with its "&" marks moved to where the 8-bit caption has
// them, when the two are the same caption apart from the marks. Raises
// EUniInternalError when the result still differs from the 8-bit caption.
std::u16string SyncHotKeyPosition(const std::u16string& Wide, const std::string& Narrow);

// A menu item whose caption and hint are wide; the menu shows the wide
// caption, and for an item without sub-items its shortcut text after a tab.
// The shown text is written again on every change of the item, whichever
// side (wide or 8-bit caption, shortcut, sub-items) it came from.
class TUniMenuItem : public forms::TMenuItem {
public:
    using forms::TMenuItem::TMenuItem;
    std::u16string GetCaption() const;
    void SetCaption(const std::u16string& Value);
    std::u16string GetHint() const { return hint_; }
    void SetHint(const std::u16string& Value) { hint_ = Value; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut Value);
    // Writes the wide caption (and shortcut text) into the menu.
    void WriteCaption();

protected:
    void MenuChanged() override;

private:
    mutable std::u16string caption_;
    // Set while the item changes its own 8-bit caption.
    bool inUpdate_ = false;
    std::u16string hint_;
    TShortCut shortCut_ = 0;
};

// The hint of any menu item: the wide hint of a wide item, else none.
std::u16string WideGetMenuItemHint(const forms::TMenuItem* Item);

}  // namespace uni
