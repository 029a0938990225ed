#include "ui/typefield.h"

#include <algorithm>

void DropBlankKey(char16_t& Key) {
    if (Key == u' ') Key = 0;
}

std::string TypeWord(const std::string& Text) {
    std::string word = Text;
    word.erase(std::remove_if(word.begin(), word.end(),
                              [](char c) { return c == ' ' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }),
               word.end());
    return word;
}

void ShowTypeWord(forms::TEdit* Field) {
    const std::string word = TypeWord(Field->Text());
    if (word != Field->Text()) Field->SetText(word);
}
