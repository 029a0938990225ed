// The relay queue on disk: per message a message file "<n>.m" (its id line,
// then the message as received, ending with ".") and a control file "<n>.r"
// of text lines: the attempt counter, the time of the last hand-off as a day
// number, the envelope sender, then one recipient per line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mail {

// A control file's first three lines as read.
struct tmessagetry {
    int32_t Tries = -1;
    double LastAttempt = 0;
    std::string Sender;
};

// Attempt counters of a message not yet handed to a worker, and of a bounce
// waiting for its single attempt.
constexpr int32_t kRelayNotTried = -1;
constexpr int32_t kRelayBounceWaiting = -2;

// Folder (with a "/" added when it has none) + N + ".m".
std::string RelayFileName(const std::string& Folder, int64_t N);

// The control file of a message file: its name without the last two
// characters, then ".r".
std::string ControlFileOf(const std::string& MessageFile);

// A day number as the control file's line 2: "." as the decimal separator and
// at most 15 significant digits, whatever the locale.
std::string RelayTimeText(double Time);

// A control file's line 1 read back; 0 when it is no 32-bit number.
int32_t ParseRelayTries(const std::string& Text);

// A control file's line 2 read back: "." as the decimal separator whatever
// the locale; 0 when it is no number.
double ParseRelayTime(const std::string& Text);

// The lines of a control file's bytes: LF ends a line and CR is dropped.
std::vector<std::string> RelayLines(const std::string& Bytes);

// The control file's text, every line ended by CR LF.
std::string RelayControlText(int32_t Tries, double Time, const std::string& Sender,
                             const std::vector<std::string>& Recipients);

// The first three lines of a control file's bytes; a number that cannot be
// read counts as 0.
tmessagetry ParseRelayInfo(const std::string& Bytes);

// The control file of MessageFile read; tries -1, time 0 and no sender when
// it cannot be read.
tmessagetry ReadRelayInfo(const std::string& MessageFile);

// Deletes a queued message's two files.
void DeleteRelayInfo(const std::string& MessageFile);

}  // namespace mail
