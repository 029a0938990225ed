// An IPv4 address as the text peers and logs show: "a.b.c.d".
#pragma once

#include <netinet/in.h>

#include <string>

namespace netsock {

// Formatted by hand: every accepted connection names its peer, and the C
// library's formatter costs several times more for the same text.
std::string DottedQuad(in_addr Address);

}  // namespace netsock
