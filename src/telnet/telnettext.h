// Byte-level rules of the Telnet dialogue that need no socket: the keys the
// entries take, the echo bound of the login prompt, and the line ends between
// a Telnet client, which ends a line with CR LF, CR NUL or CR alone, and a
// program on pipes, which ends it with LF.
#pragma once

#include <string>
#include <string_view>

namespace telnet {

// The client's typing (Telnet commands already out) as the entries take it:
// a line end (CR LF, CR NUL or CR alone) is one CR, another NUL is nothing,
// and DEL, which most terminals send for Backspace, is BS. AfterCR carries a
// CR that ended the previous piece, so that its LF or NUL in the next piece
// is no key of its own.
std::string EntryKeys(std::string_view Typed, bool& AfterCR);

// Applies a typed byte other than CR to an entry: LF is ignored, BS drops the
// last character, any other byte is appended while the entry holds fewer than
// Capacity. True when the entry changed: the byte is then what to echo.
bool EditEntry(std::string& Entry, char Typed, size_t Capacity);

// The echo of one receive at the login prompt stays short: once it is longer
// than kEchoLimit with no CR in its first kEchoLimit bytes, it is cut to
// kEchoKeep bytes and a line end.
constexpr size_t kEchoLimit = 256;
constexpr size_t kEchoKeep = 254;
void BoundEcho(std::string& Echo);

// The client's bytes as the child reads them: CR LF, CR NUL and a lone CR
// each become LF. AfterCR carries a CR that ended the previous piece, so
// that its LF or NUL in the next piece is not a second line end.
std::string ClientBytesForChild(std::string_view Bytes, bool& AfterCR);

// The child's bytes as the client shows them: an LF not preceded by CR
// becomes CR LF. AfterCR carries a CR that ended the previous piece.
std::string ChildBytesForClient(std::string_view Bytes, bool& AfterCR);

}  // namespace telnet
