// The match of ban patterns against peer addresses and of trigger patterns
// against request lines.
#pragma once

#include <string>

namespace netunit {

// True when subject matches mask, ignoring case. Only "*" is a wildcard (any
// run, also an empty one); "?" stands for itself. A mask with "*" never
// matches an empty subject. The text after the last "*" is compared with the
// end of the subject, after what the earlier parts matched.
bool WildcardMatch(const std::u16string& mask, const std::u16string& subject);

}  // namespace netunit
