// Notices written as test logs show them: "READ", "CLOSE:10054".
#pragma once

#include <string>

#include "platform/socketnotices.h"

inline std::string NoticeText(int event, int error) {
    std::string text;
    switch (event) {
        case platform::FD_READ: text = "READ"; break;
        case platform::FD_WRITE: text = "WRITE"; break;
        case platform::FD_ACCEPT: text = "ACCEPT"; break;
        case platform::FD_CONNECT: text = "CONNECT"; break;
        case platform::FD_CLOSE: text = "CLOSE"; break;
        default: text = "?"; break;
    }
    if (error != 0) text += ":" + std::to_string(error);
    return text;
}
