// The checks the record dialogs share: the mode their caption carries, a
// name already in the window's list, and the shape of a mail domain or address.
#pragma once

#include <string>

#include "forms/forms.h"

// A dialog tells its mode by the first letter of its caption.
bool CaptionStartsWith(const std::string& Caption, char Letter);

enum ListCompare { CaseCounts, CaseBlind };

// True when an entry of List equals Text; with SkipSelected the selected
// entry (the record being edited) does not count.
bool ListHoldsOther(const forms::TListBox* List, const std::string& Text, bool SkipSelected, ListCompare Compare);

// A mail domain holds a "." and no blank; an address also holds an "@".
bool LooksLikeDomain(const std::string& Text);
bool LooksLikeAddress(const std::string& Text);

// The warning question before a deletion; true when answered Yes.
bool SureToDelete(const std::string& Question);

// Deletes line Index of List and selects the line now at that place, or the
// new last line when the deleted one was last.
void DeleteListLine(forms::TListBox* List, int Index);

// The text of the selected line, or empty (with Index -1) without a selection.
std::string SelectedLine(const forms::TListBox* List, int& Index);
