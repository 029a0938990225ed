// Base64 (RFC 4648 alphabet, "=" padding) for Basic authentication, the
// dynamic-DNS requests and SMTP authentication.
#pragma once

#include <cstddef>
#include <string>

namespace netunit {

constexpr int kBase64LineLength = 78;

// The Base64 text of user ":" password on one line, without a line end.
std::string Base64Credentials(const std::string& user, const std::string& password);

// The Base64 text of the bytes in lines of kBase64LineLength characters, each
// ended by CR LF; the padding stays on the last line, which may therefore hold
// two characters more. An empty buffer gives only the CR LF.
std::string Base64EncodeLines(const void* buffer, size_t length);

// Adds 1 to counter; when it then passes limit, sets it to reset and answers
// true. The line counter of Base64EncodeLines.
bool StepCounter(int& counter, int limit, int reset);

// The bytes the text encodes. Characters outside the alphabet (padding,
// blanks, line ends, anything else) are skipped; a lone trailing character
// gives nothing. Never fails.
std::string Base64Decode(const std::string& text);

}  // namespace netunit
