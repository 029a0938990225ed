// The relay client's dialogue as data: where a reply ends, what each state
// expects and sends, and how the message text is cut into pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/relaydialogue.h"

namespace {

TEST(RelayReplies, ReplyEndsAtItsFinalLine) {
    struct Row {
        const char* what;
        std::string buffer;
        size_t length;
    } rows[] = {
        {"single line", "250 ok\r\n", 8},
        {"incomplete line", "250 ok", 0},
        {"code alone", "250\r\n", 5},
        {"bare LF", "220 hi\n", 7},
        {"multi-line", "250-one\r\n250-two\r\n250 three\r\n", 29},
        {"multi-line still open", "250-one\r\n250-two\r\n", 0},
        {"final line open", "250-one\r\n250 th", 0},
        {"next reply stays", "220 hi\r\n250 ok\r\n", 8},
        {"empty", "", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(mail::ReplyLength(r.buffer), r.length);
    }
}

// A reply found at every split point of its arrival only once it is whole.
TEST(RelayReplies, EverySplitPoint) {
    const std::string reply = "220-first\r\n220-second\r\n220 ready\r\n";
    for (size_t cut = 0; cut < reply.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(mail::ReplyLength(reply.substr(0, cut)), 0u);
    }
    EXPECT_EQ(mail::ReplyLength(reply), reply.size());
    EXPECT_EQ(mail::ReplyCode(reply), "220");
}

TEST(RelayDialogue, StatesExpectAndSend) {
    // A 5xx is final only once the server has heard who the mail is for.
    struct Row {
        int state;
        const char* expected;
        bool final5xx;
        const char* sends;
    } rows[] = {
        {mail::kClientGreeting, "220", false, "HELO helo.test\r\n"},
        {mail::kClientHelo, "250", false, "MAIL FROM: <s@a.test>\r\n"},
        {mail::kClientMailFrom, "250", false, "RCPT TO: <r@b.test>\r\n"},
        {mail::kClientRcptTo, "250", true, "DATA\r\n"},
        {mail::kClientData, "354", true, ""},
        {mail::kClientDataEnd, "250", true, "QUIT\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(mail::ClientStateName(r.state));
        EXPECT_STREQ(mail::ExpectedCode(r.state), r.expected);
        EXPECT_EQ(mail::IsPermanentRefusal(r.state, "550 no\r\n"), r.final5xx);
        EXPECT_FALSE(mail::IsPermanentRefusal(r.state, "450 later\r\n"));
        EXPECT_FALSE(mail::IsPermanentRefusal(r.state, "5xx garbage\r\n"));
        EXPECT_EQ(mail::ClientCommand(r.state, "helo.test", "<s@a.test>", "<r@b.test>"), r.sends);
    }
    // A bounce's sender line is sent as the null reverse-path.
    EXPECT_EQ(mail::ClientCommand(mail::kClientHelo, "", "Quillnest", "<r@b.test>"), "MAIL FROM:<>\r\n");
}

TEST(RelayDialogue, AddressesAndLogLines) {
    EXPECT_EQ(mail::InAngleBrackets("Quillnest"), "<Quillnest>");
    EXPECT_EQ(mail::InAngleBrackets("a@b"), "<a@b>");
    EXPECT_EQ(mail::InAngleBrackets("<a@b>"), "<a@b>");
    EXPECT_EQ(mail::InAngleBrackets("Bob <a@b>"), "Bob <a@b>");
    EXPECT_EQ(mail::InAngleBrackets(""), "<>");
    EXPECT_EQ(mail::RefusalLogLine("r@b", "554 go away\r\n"),
              "[SMTP] Attempted to send an E-Mail to <r@b> but received error: 554 go away");
    EXPECT_EQ(mail::RefusalLogLine("<r@b>", "5"), "[SMTP] Attempted to send an E-Mail to <r@b> but received error: 5");
    EXPECT_EQ(mail::DeliveredLogLine("<r@b>", "<s@a>"), "[SMTP] Sent an E-Mail to <r@b> from <s@a>");
}

TEST(RelayDialogue, ReplyTextIsOneBoundedLine) {
    struct Row {
        const char* what;
        std::string reply;
        std::string text;
    } rows[] = {
        {"one line", "550 no\r\n", "550 no"},
        {"lines joined", "550-first\r\n550 second\r\n", "550-first 550 second"},
        {"controls made blanks", "550 a\tb\x1b[31m\r\n", "550 a b [31m"},
        {"cut", "550 " + std::string(1000, 'x') + "\r\n", "550 " + std::string(mail::kRelayReplyTextMax - 4, 'x')},
        {"empty", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(mail::ReplyText(r.reply), r.text);
    }
}

TEST(RelayDialogue, FaultLinesNameTheRecipientAndHost) {
    using mail::tdialoguefault;
    struct Row {
        int state;
        tdialoguefault fault;
        const char* line;
    } rows[] = {
        {mail::kClientGreeting, tdialoguefault::NoConnect, "could not connect to mx.test"},
        {mail::kClientGreeting, tdialoguefault::TimedOut, "mx.test did not send the greeting in time"},
        {mail::kClientGreeting, tdialoguefault::Closed, "mx.test closed the connection before the greeting"},
        {mail::kClientRcptTo, tdialoguefault::Closed, "mx.test closed the connection before the reply to RCPT TO"},
        {mail::kClientDataEnd, tdialoguefault::TimedOut,
         "mx.test did not send the reply to the end of data in time"},
        {mail::kClientGreeting, tdialoguefault::Overlong, "mx.test sent an overlong reply: 220-aaa 220-aaa"},
        {mail::kClientData, tdialoguefault::NoSend, "the connection to mx.test failed while sending"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        EXPECT_EQ(mail::FaultLogLine("r@b", "mx.test", r.state, r.fault, "220-aaa\r\n220-aaa\r\n"),
                  std::string("[SMTP] Attempted to send an E-Mail to <r@b> but ") + r.line);
    }
}

// Feeds lines as the worker does and returns the pieces that would be sent.
std::vector<std::string> Pieces(const std::vector<std::string>& lines) {
    mail::tdatapieces pieces;
    std::vector<std::string> sent;
    for (const std::string& line : lines) {
        if (pieces.Ended()) break;
        if (pieces.AddLine(line)) {
            sent.push_back(pieces.Piece());
            pieces.TakePiece();
        }
    }
    pieces.Finish();
    if (!pieces.Piece().empty()) sent.push_back(pieces.Piece());
    return sent;
}

TEST(RelayData, TheTextEndsWithItsDotLine) {
    struct Row {
        const char* what;
        std::vector<std::string> lines;
        std::string text;
    } rows[] = {
        {"as stored", {"Subject: x", "", "body", "."}, "Subject: x\r\n\r\nbody\r\n.\r\n"},
        {"final dot missing", {"Subject: x", "body"}, "Subject: x\r\nbody\r\n.\r\n"},
        {"empty message", {}, ".\r\n"},
        {"nothing after the dot line", {"a", ".", "MAIL FROM:<x@y>", "."}, "a\r\n.\r\n"},
        {"stuffed dots stay", {"..a", "."}, "..a\r\n.\r\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string text;
        for (const std::string& piece : Pieces(r.lines)) text += piece;
        EXPECT_EQ(text, r.text);
    }
}

TEST(RelayData, LongMessagesGoInPiecesOfWholeLines) {
    std::vector<std::string> lines(1000, std::string(8, 'x'));  // 10,000 characters with CR LF
    lines.push_back(".");
    const std::vector<std::string> sent = Pieces(lines);
    ASSERT_EQ(sent.size(), 4u);
    for (size_t i = 0; i + 1 < sent.size(); ++i) {
        EXPECT_GE(sent[i].size(), mail::kRelayDataPiece);
        EXPECT_LT(sent[i].size(), mail::kRelayDataPiece + 10);
        EXPECT_EQ(sent[i].substr(sent[i].size() - 2), "\r\n");
    }
    EXPECT_EQ(sent.back().substr(sent.back().size() - 5), "\r\n.\r\n");
}

}  // namespace
