#include "widgets/unicode/unidialogs.h"

namespace uni {

const std::array<std::u16string, 11>& ButtonNames() {
    static const std::array<std::u16string, 11> names = {u"Yes",   u"No",  u"OK",      u"Cancel",   u"Abort", u"Retry",
                                                         u"Ignore", u"All", u"NoToAll", u"YesToAll", u"Help"};
    return names;
}

}  // namespace uni
