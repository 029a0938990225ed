// Feeds arbitrary bytes, cut into reads at places the input chooses, to the
// command intake of the SMTP and POP3 sessions, to the message text intake
// after DATA, and to the sending of a stored message. Each must hold its
// bounds: a command line never longer than the cut, stored text only CR LF
// line ends, every read byte accounted for, and every answer ended by ".".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/recordfiles.h"
#include "fuzzsupport.h"
#include "mail/addresses.h"
#include "mail/commandline.h"
#include "mail/mailcommands.h"
#include "mail/pop3text.h"
#include "mail/smtpdata.h"

namespace {

using fuzz::Check;

constexpr size_t kReadMax = 4096;

// Stored and sent text: every LF comes after a CR.
bool OnlyCrLf(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    return true;
}

void FuzzCommands(const std::vector<std::string>& reads) {
    static const core::AccountList accounts;
    static const core::RecordList<core::tmailforward> forwards;
    static const core::RecordList<core::tmaildomain> domains;
    static const std::vector<std::string> local = {"example.test"};
    const mail::tmailbook book{local, accounts, forwards, domains};
    std::string buffer, line;
    for (const std::string& read : reads) {
        mail::AppendReceived(buffer, read.data(), read.size());
        mail::BoundCommandBuffer(buffer);
        Check(buffer.find('\0') == std::string::npos);
        while (mail::TakeCommandLine(buffer, line)) {
            Check(line.find('\n') == std::string::npos);
            mail::RecognizeSmtpCommand(line);
            mail::RecognizePop3Command(line);
            mail::ParseAddress(line, book);
            mail::SmtpAuthUser(line);
        }
    }
}

void FuzzMessageText(const std::vector<std::string>& reads) {
    std::string buffer;
    mail::tmessagetext state;
    size_t received = 0, consumed = 0;
    for (const std::string& read : reads) {
        mail::AppendReceived(buffer, read.data(), read.size());
        received = consumed + buffer.size();
        const mail::tdatachunk chunk = mail::TakeMessageText(buffer, state, mail::AddedFromLine(read));
        consumed += chunk.Consumed;
        Check(consumed + buffer.size() == received);
        Check(OnlyCrLf(chunk.Text));
        if (chunk.Complete) Check(chunk.Text.size() >= 3 && chunk.Text.compare(chunk.Text.size() - 3, 3, ".\r\n") == 0);
        if (chunk.Complete || chunk.LineTooLong) return;
    }
}

void FuzzMessageSending(const std::string& body, size_t block, const std::string& target) {
    mail::tsendstate state;
    state.Target = target;
    state.Counter = target.empty() ? 0 : -1;
    std::string out;
    size_t pos = 0;
    for (size_t guard = 0; guard <= body.size() + 2; ++guard) {
        const std::string piece = body.substr(pos, block);
        const mail::tsendpiece p = mail::TakeMessagePiece(piece, pos + piece.size() >= body.size(), state);
        Check(p.Used <= piece.size());
        out += p.Out;
        if (p.Finished) {
            Check(OnlyCrLf(out));
            Check(out.size() >= 3 && out.compare(out.size() - 3, 3, ".\r\n") == 0);
            return;
        }
        Check(p.Used > 0);
        pos += p.Used;
    }
    std::abort();  // no progress
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> reads = fuzz::SplitReads(input, kReadMax);
    FuzzCommands(reads);
    FuzzMessageText(reads);
    const size_t block = 3 + (size > 0 ? data[0] : 0);
    FuzzMessageSending(input, block, "");
    FuzzMessageSending(input, block, std::to_string(size % 5));
    return 0;
}
