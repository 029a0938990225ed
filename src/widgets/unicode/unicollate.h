// The locale's comparison of wide texts: the user's order ("é" beside "e",
// not after "z"), by Qt's collator for the default locale.
#pragma once

#include <string>

namespace uni {

// Negative, 0 or positive as A sorts before, with or after B. Ignoring case,
// texts are equal only when they are the same once case is folded;
// otherwise only when they are the same texts. Texts the collator calls
// equal are ordered by their units, so the order is strict and total and
// safe to sort and search by.
int WideCompareText(const std::u16string& A, const std::u16string& B, bool IgnoreCase);

}  // namespace uni
