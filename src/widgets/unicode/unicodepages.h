// The system's code-page numbers and what converts them here: the pseudo
// pages, the names glibc's iconv knows each page by, and the conversions
// through iconv. UTF-7 and UTF-8 are not in here; unistrutils has them.
#pragma once

#include <string>

namespace uni {

// Code pages that stand for another: the OEM page, the Macintosh page and
// the thread's page. Both 8-bit pages of this platform are UTF-8.
inline constexpr unsigned CP_OEMCP = 1;
inline constexpr unsigned CP_MACCP = 2;
inline constexpr unsigned CP_THREAD_ACP = 3;

// The page a pseudo page stands for; any other page is itself.
unsigned ResolveCodePage(unsigned CodePage);

// Converts 8-bit text in a code page that iconv handles. A byte with no
// mapping becomes U+FFFD, except the bytes the system passes through as the
// control character of the same value (1252's five undefined ones). Raises
// EUniGeneralError for a page that has no conversion here.
std::u16string IconvToWide(const std::string& Text, unsigned CodePage);

// The reverse: a character the page cannot hold becomes its best fit (the
// one character its compatibility decomposition leaves without accents,
// when the page holds that), else "?". Raises EUniGeneralError for a page
// that has no conversion here.
std::string IconvFromWide(const std::u16string& Text, unsigned CodePage);

// The iconv name of a code page, "" when there is none.
std::string IconvCodePageName(unsigned CodePage);

}  // namespace uni
