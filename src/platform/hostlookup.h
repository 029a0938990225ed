// Host name lookups. The main loop never waits for one: ConnectTo's lookups
// run on a worker thread and come back as a queued call.
//
// Test aid: when the environment variable QUILLNEST_HOSTS names a file in
// /etc/hosts form, names are answered from that file alone and any other name
// is not found, so that a test never sends a query off the machine.
#pragma once

#include <functional>
#include <netinet/in.h>
#include <string>

namespace platform {

// Resolves name to its first IPv4 address. Returns 0, or a Windows Sockets
// code (WSAHOST_NOT_FOUND when there is no such host). A name in dotted form
// is its own answer. Blocks; safe on any thread.
int LookupHostIPv4(const std::string& name, in_addr& out);

// Finds name in text of /etc/hosts form: an address, then one or more names,
// per line; "#" starts a comment; names compare ignoring ASCII case; lines
// whose address is not IPv4 are passed over. The first line that names it wins.
bool FindInHostsText(const std::string& text, const std::string& name, in_addr& out);

// Looks name up on a worker thread; done(error, address) runs on the main
// thread, unless the socket has been closed in the meantime.
void LookupHostAsync(int socket, const std::string& name, std::function<void(int error, in_addr address)> done);

}  // namespace platform
