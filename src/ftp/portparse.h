// The texts of the data-connection commands: numbers as REST and PORT take
// them, PORT's six fields, and PASV's reply.
#pragma once

#include <cstdint>
#include <string>

namespace ftp {

// Optional leading blanks, an optional sign, then decimal digits or
// hexadecimal ones after "$", "x", "X", "0x" or "0X". The whole text must be
// used; an empty text or a value outside 64 bits is no number.
bool ParseFtpNumber(const std::string& text, int64_t& value);

// The data address of a PORT argument "h1,h2,h3,h4,p1,p2".
struct PortTarget {
    std::string Address;  // dotted, in plain decimal
    int Port = 0;
};

// Lowest data port a client may name: below it lie the services a PORT
// could otherwise aim the server at.
constexpr int kLowestDataPort = 1024;

// True when the argument has six numbers, each field 0..255 and the port
// kLowestDataPort..65535.
bool ParsePortArgument(const std::string& argument, PortTarget& target);

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)".
std::string PassiveReply(const std::string& localAddress, int port);

}  // namespace ftp
