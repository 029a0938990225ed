#include "core/telnetintake.h"

namespace core {
namespace {

using tphase = ttelnetintake::tphase;

bool IsNegotiation(unsigned char c) { return c >= kTelnetWILL && c <= kTelnetDONT; }

// The byte after an IAC, outside a subnegotiation.
void AfterIac(unsigned char c, ttelnetintake& State, std::string& Out) {
    if (c == kTelnetIAC) {
        Out += static_cast<char>(c);
        State.Phase = tphase::Data;
    } else if (IsNegotiation(c)) {
        State.Phase = tphase::Option;
    } else if (c == kTelnetSB) {
        State.Phase = tphase::Sub;
        State.SubBytes = 0;
    } else {
        // A command without an argument is dropped. Before a byte that is no
        // command the IAC is a 0xFF from a client that does not double it,
        // and both bytes are data.
        if (c < kTelnetSE) Out.append({static_cast<char>(kTelnetIAC), static_cast<char>(c)});
        State.Phase = tphase::Data;
    }
}

}  // namespace

void TakeTelnetData(std::string_view Received, ttelnetintake& State, std::string& Out) {
    Out.reserve(Out.size() + Received.size());
    for (const char byte : Received) {
        const auto c = static_cast<unsigned char>(byte);
        switch (State.Phase) {
            case tphase::Data:
                if (c == kTelnetIAC)
                    State.Phase = tphase::Command;
                else
                    Out += byte;
                break;
            case tphase::Command: AfterIac(c, State, Out); break;
            case tphase::Option: State.Phase = tphase::Data; break;
            case tphase::Sub:
                if (c == kTelnetIAC)
                    State.Phase = tphase::SubCommand;
                else if (++State.SubBytes >= kSubnegotiationMost)
                    State.Phase = tphase::Data;
                break;
            case tphase::SubCommand:
                if (c == kTelnetSE) {
                    State.Phase = tphase::Data;
                } else if (c == kTelnetIAC) {
                    // A 0xFF of the subnegotiation's own data.
                    State.Phase = ++State.SubBytes >= kSubnegotiationMost ? tphase::Data : tphase::Sub;
                } else {
                    // IAC SE never came: the subnegotiation ends here and the
                    // IAC starts a command of its own.
                    AfterIac(c, State, Out);
                }
                break;
        }
    }
}

std::string TelnetData(std::string_view Received) {
    ttelnetintake state;
    std::string out;
    TakeTelnetData(Received, state, out);
    // Nothing follows a last IAC: it is a 0xFF that was not doubled.
    if (state.Phase == tphase::Command) out += static_cast<char>(kTelnetIAC);
    return out;
}

std::string DoubledIac(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (const char c : Text) {
        out += c;
        if (static_cast<unsigned char>(c) == kTelnetIAC) out += c;
    }
    return out;
}

}  // namespace core
