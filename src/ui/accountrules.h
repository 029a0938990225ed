// The pure rules of the account and FTP path dialogs: which characters a user
// name keeps, what the number fields turn into when they are left, and the
// alias a folder suggests. No window is involved, so they are tested alone.
#pragma once

#include <cstdint>
#include <string>

namespace accountrules {

// A user name keeps letters, digits, "." and the characters "[" to "`" and
// "{" to "~" except "^" (the mailbox files' separator): never a blank, "-",
// "@", "<", ">", "/" or a control character.
bool UserNameChar(unsigned char c);
// Filters Text; Caret (in characters from the start) moves back by the
// characters removed in front of it.
std::string FilterUserName(const std::string& Text, int& Caret);

// Whole numbers and decimal numbers as typed: blanks around are allowed, the
// locale never counts (a decimal point only), nothing else may follow.
bool ParseWhole(const std::string& Text, int64_t& Value);
bool ParseDecimal(const std::string& Text, double& Value);

// Leaving a number field: a text that is no number becomes "10", a negative
// one "0"; anything else stays.
std::string ExitWhole(const std::string& Text);
std::string ExitDecimal(const std::string& Text);

// The value stored from a number field: its number, or the field's exit
// default when the text is none.
int32_t StoredWhole(const std::string& Text);
double StoredDecimal(const std::string& Text);
// The decimal text of a stored speed ("12.5", "10").
std::string DecimalText(double Value);

// Keeps only the characters Keep accepts.
template <class Keep>
std::string KeepOnly(const std::string& Text, Keep keep) {
    std::string out;
    for (char c : Text)
        if (keep(static_cast<unsigned char>(c))) out += c;
    return out;
}

// The last component of a local folder: "/srv/files/mp3/" gives "mp3", "/"
// and "" give "".
std::string LastPathComponent(const std::string& Path);

// An FTP alias is one name under a virtual root: not empty, not "." or "..",
// without "/".
bool ValidAlias(const std::string& Alias);

}  // namespace accountrules
