// The fields of the MIME and CGI type dialogs hold one word: no blank and no
// control character, from the keyboard or from a paste.
#pragma once

#include <string>

#include "forms/forms.h"

// A key filter: a typed blank is discarded.
void DropBlankKey(char16_t& Key);

// Text without its blanks and control characters.
std::string TypeWord(const std::string& Text);

// Puts the field's text into that form (the edit shows what is stored).
void ShowTypeWord(forms::TEdit* Field);
