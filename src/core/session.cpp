#include "core/session.h"

#include "core/textcut.h"

const char* SessionKindName(int32_t kind) {
    switch (kind) {
        case kKindTelnet: return "Telnet";
        case kKindHttp: return "HTTP";
        case kKindSmtp: return "SMTP";
        case kKindPop3: return "POP3";
        case kKindFtp: return "FTP";
        default: return "";
    }
}

tsession::tsession() = default;
tsession::~tsession() = default;

void tsession::SetUserName(const std::string& name) { UserName = CutToCapacity(name, kUserNameCapacity); }

void tsession::SetPassword(const std::string& password) {
    Password = CutToCapacity(password, kPasswordCapacity);
}
