// Percent-encoding of values placed in a URL's query.
#pragma once

#include <string>
#include <string_view>

namespace netunit {

// Letters, digits, "-._~" and the characters of keep stay; every other
// byte becomes "%" and two upper-case hex digits, so a value can hold "&",
// "=", blanks, UTF-8 or bytes that are no UTF-8.
std::string PercentEncode(const std::string& value, std::string_view keep = {});

}  // namespace netunit
