// The listening state of one service, and the table that ties each service to
// its controls and texts.
#pragma once

#include <string>

namespace forms {
class TCheckBox;
class TEdit;
class TLabel;
class TMenuItem;
class TTreeNode;
}  // namespace forms

struct tlistener {
    bool ReportFailure = false;  // the next failure to listen is logged
    int Socket = -1;             // keeps its last value after the socket is closed
    bool Listening = false;
    bool SocketOpen = false;
};

// Service numbers, in the order the listener pass and the error handler take them.
enum ServiceIndex : int { kSvcTelnet = 0, kSvcHttp, kSvcSmtp, kSvcPop3, kSvcFtp, kServiceCount };

struct ServiceRow {
    const char* Name;  // "Telnet", "HTTP", ... as the captions and log tags spell it
    int Kind;          // the session kind its connections get
    unsigned IdleMs;   // the idle timer of its sessions
    bool IdleEnabled;
    tlistener* Listener;
    forms::TCheckBox* Switch;
    forms::TEdit* Port;
    forms::TMenuItem* MenuItem;
    forms::TLabel* Info;
    forms::TTreeNode** Root;
};

// A port text is a whole number in 1..65535, or it is no port at all.
bool ParsePortText(const std::string& text, int& port);
