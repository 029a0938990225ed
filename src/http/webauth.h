// Basic authentication for protected web domains and virtual paths: the
// client's token is compared with the Base64 form of stored user names and
// passwords, so both compare exactly.
#pragma once

#include <string>

#include "core/recordfiles.h"
#include "core/records.h"

namespace http {

enum class Admission {
    kRefused,
    kLogin,    // the record's own specific login
    kAccount,  // an account the record's grants admit
};

// The credential test of a protected record. An empty token, and a record
// with no specific login and no grant, admit nobody; an account's own web
// permission is not consulted.
Admission CheckWebCredentials(const core::twebaccess& Record, const core::AccountList& Accounts,
                              const std::string& Token);

}  // namespace http
