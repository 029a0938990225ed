#include "netunit/wildcard.h"

#include "netunit/textutil.h"

namespace netunit {

bool WildcardMatch(const std::u16string& maskText, const std::u16string& subjectText) {
    const std::u16string mask = WideUpper(maskText);
    const std::u16string subject = WideUpper(subjectText);
    const size_t firstStar = mask.find(u'*');
    if (firstStar == std::u16string::npos) return mask == subject;
    if (subject.empty()) return false;

    // The text before the first "*" must begin the subject.
    size_t m = 0, s = 0;
    if (firstStar > 0) {
        if (subject.compare(0, firstStar, mask, 0, firstStar) != 0) return false;
        m = firstStar + 1;
        s = firstStar;
    }
    while (m < mask.size()) {
        if (mask[m] == u'*') {
            ++m;
            continue;
        }
        const size_t nextStar = mask.find(u'*', m);
        if (nextStar == std::u16string::npos) {
            // The last piece ends the subject, on characters that no earlier
            // part has taken ("10.1*10.1" is no match for "10.1").
            const size_t length = mask.size() - m;
            return subject.size() >= s + length &&
                   subject.compare(subject.size() - length, length, mask, m, length) == 0;
        }
        const size_t found = subject.find(mask.substr(m, nextStar - m), s);
        if (found == std::u16string::npos) return false;
        s = found + (nextStar - m);
        m = nextStar + 1;
    }
    return true;
}

}  // namespace netunit
