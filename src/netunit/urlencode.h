// Percent-encoding of values placed in a URL's query.
#pragma once

#include <string>

namespace netunit {

// Letters, digits and "-._~" stay; every other byte becomes "%" and two
// upper-case hex digits, so a value can hold "&", "=", blanks or UTF-8.
std::string PercentEncode(const std::string& value);

}  // namespace netunit
