// Telnet commands among a client's bytes (the Telnet service's connection and
// the FTP control connection speak the same network terminal): what is left
// once they are taken out is what the client typed. Pure: no socket and no
// window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// The command bytes. IAC starts every command; IAC IAC stands for one data
// byte 0xFF. Bytes from kTelnetSE up are commands; WILL, WONT, DO and DONT
// take one option byte; SB opens a subnegotiation that IAC SE ends.
constexpr unsigned char kTelnetIAC = 0xFF;
constexpr unsigned char kTelnetDONT = 0xFE;
constexpr unsigned char kTelnetDO = 0xFD;
constexpr unsigned char kTelnetWONT = 0xFC;
constexpr unsigned char kTelnetWILL = 0xFB;
constexpr unsigned char kTelnetSB = 0xFA;
constexpr unsigned char kTelnetSE = 0xF0;

// A subnegotiation that has not ended after this many bytes is taken as
// ended, so that a client that never sends IAC SE does not lose its typing
// for good.
constexpr size_t kSubnegotiationMost = 1024;

// Where the last piece left off, so that a command cut between two reads is
// still taken out whole.
struct ttelnetintake {
    enum class tphase : uint8_t {
        Data,        // typed bytes
        Command,     // after IAC
        Option,      // after WILL, WONT, DO or DONT: the option byte comes
        Sub,         // inside a subnegotiation
        SubCommand,  // after IAC inside a subnegotiation
    };
    tphase Phase = tphase::Data;
    size_t SubBytes = 0;  // bytes of the subnegotiation so far
};

// Appends to Out the data of Received: IAC IAC gives one 0xFF; negotiations
// (IAC with WILL, WONT, DO or DONT and the option), subnegotiations (IAC SB
// ... IAC SE) and the other commands (IAC and one byte from kTelnetSE up) are
// left out. An IAC before a byte that is no command is a 0xFF that the client
// did not double: both bytes are kept.
void TakeTelnetData(std::string_view Received, ttelnetintake& State, std::string& Out);

// The data of a piece that holds whole commands only, such as one FTP
// command line; an IAC that ends it is a 0xFF that was not doubled.
std::string TelnetData(std::string_view Received);

// Text for the client with each 0xFF doubled, so that the client takes it as
// data and not as a command.
std::string DoubledIac(std::string_view Text);

}  // namespace core
