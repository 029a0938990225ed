// Failed logins of the FTP, POP3 and SMTP sessions: the answer to a failed
// login leaves only after a short delay, during which that session takes no
// input, and the session ends with the answer to its last allowed failure.
// The delay is a deadline the session's step looks at, never a wait: the
// engine goes on stepping every other session meanwhile.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct tsession;

namespace core {

class tsessionface;

using tloginclock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kFailedLoginDelay{1500};
// Failed logins one connection may make; the answer to the last closes it.
constexpr int32_t kFailedLoginsMost = 3;

// What a session keeps of its failed logins.
struct tloginlimit {
    int32_t Failures = 0;
    bool AnswerHeld = false;
    tloginclock::time_point AnswerAt{};
    std::string Answer;  // the reply line, sent at AnswerAt
};

// A failed login, whose reply is Answer: it is held until the delay has
// passed, and the session takes no input meanwhile.
void HoldFailedLogin(tsession* Session, const std::string& Answer, tloginclock::time_point Now = tloginclock::now());

// Asked by the step before it takes a command: true while a failed login's
// answer is held, and on the step that sends it; the session is then closing
// (through ChangeState) when that was its last allowed failure.
bool LoginAnswerHeld(tsessionface& Face, tsession* Session, void (*ChangeState)(tsession*, int32_t),
                     tloginclock::time_point Now = tloginclock::now());

}  // namespace core
