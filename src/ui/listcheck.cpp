#include "ui/listcheck.h"

#include "core/recordlookup.h"

bool CaptionStartsWith(const std::string& Caption, char Letter) { return !Caption.empty() && Caption[0] == Letter; }

bool ListHoldsOther(const forms::TListBox* List, const std::string& Text, bool SkipSelected, ListCompare Compare) {
    const int selected = SkipSelected ? List->ItemIndex() : -1;
    for (int i = 0; i < List->Items()->Count(); ++i) {
        if (i == selected) continue;
        const std::string entry = List->Items()->Strings(i);
        if (Compare == CaseBlind ? core::SameTextAscii(entry, Text) : entry == Text) return true;
    }
    return false;
}

bool LooksLikeDomain(const std::string& Text) {
    return !Text.empty() && Text.find(' ') == std::string::npos && Text.find('.') != std::string::npos;
}

bool LooksLikeAddress(const std::string& Text) { return LooksLikeDomain(Text) && Text.find('@') != std::string::npos; }

bool SureToDelete(const std::string& Question) {
    return forms::MessageDlg(Question, forms::mtWarning, forms::mbYes | forms::mbNo) == forms::mrYes;
}

void DeleteListLine(forms::TListBox* List, int Index) {
    List->Items()->Delete(Index);
    const int count = List->Items()->Count();
    if (count > 0) List->SetItemIndex(Index < count ? Index : count - 1);
}

std::string SelectedLine(const forms::TListBox* List, int& Index) {
    Index = List->ItemIndex();
    return Index >= 0 ? List->Items()->Strings(Index) : std::string();
}
