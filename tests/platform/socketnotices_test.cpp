#include "platform/socketnotices.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <sys/epoll.h>
#include <utility>

#include "platform/noticenames.h"

#include "platform/winsockerrors.h"

namespace {

using platform::NoticeRules;
using platform::PeekResult;
using platform::ReceiveResult;

// Drives one NoticeRules through a script and writes what it tells, one
// "|"-ended step per edge or recheck, with the looks it made at the queue.
struct Script {
    NoticeRules rules;
    std::string log;
    int peeks = 0;
    int errorsTaken = 0;
    int pendingError = 0;

    // An edge (events) or a recheck (0); fresh: no receive since it was
    // collected. answer is what a look at the queue would find.
    void Ready(uint32_t events, PeekResult answer = PeekResult::Nothing, bool fresh = true) {
        auto notices = rules.Ready(
            events, fresh,
            [this] {
                ++errorsTaken;
                return std::exchange(pendingError, 0);
            },
            [this, answer](int& error) {
                ++peeks;
                if (answer == PeekResult::Failed) error = platform::WSAECONNRESET;
                return answer;
            });
        for (const auto& n : notices) log += NoticeText(n.event, n.error) + " ";
        log += "| ";
    }
    void Recheck(PeekResult answer = PeekResult::Nothing) { Ready(0, answer); }
};

struct RulesRow {
    const char* what;
    std::function<void(Script&)> script;
    const char* expected;
    int peeks;
};

TEST(NoticeRulesEdges, StickyReadinessAndRechecksKeepTheRules) {
    const RulesRow rows[] = {
        {"a fresh data edge is a read notice without a look at the queue",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
         },
         "READ WRITE | ", 0},
        {"a data edge collected before a receive is looked at",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT, PeekResult::Nothing, false);
             s.Recheck();
         },
         "WRITE | | ", 1},
        {"an edge with the end of input is looked at: the end with nothing before it is the close",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT | EPOLLRDHUP, PeekResult::EndOfStream);
             EXPECT_TRUE(s.rules.InputWillBeNoticed());
         },
         "CLOSE WRITE | ", 1},
        {"a receive that filled the buffer asks for a recheck, which repeats the read notice",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::Full));
             s.Recheck(PeekResult::Data);
         },
         "READ WRITE | READ | ", 1},
        {"a short receive needs no recheck and a recheck finds nothing to look at",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
             EXPECT_FALSE(s.rules.Received(ReceiveResult::Short));
             EXPECT_TRUE(s.rules.InputWillBeNoticed());
             s.Recheck(PeekResult::Data);
         },
         "READ WRITE | | ", 0},
        {"data whose edge came while no read notice was owed is told after a full receive",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
             s.Ready(EPOLLIN | EPOLLOUT);
             EXPECT_FALSE(s.rules.InputWillBeNoticed());
             EXPECT_TRUE(s.rules.Received(ReceiveResult::Full));
             s.Recheck(PeekResult::Data);
         },
         "READ WRITE | | READ | ", 1},
        {"data that comes after a short receive brings its own edge",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
             EXPECT_FALSE(s.rules.Received(ReceiveResult::Short));
             s.Ready(EPOLLIN | EPOLLOUT);
         },
         "READ WRITE | READ | ", 0},
        {"an end of input whose edge came while no read notice was owed is told after the data is read",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
             s.Ready(EPOLLIN | EPOLLOUT | EPOLLRDHUP);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::Full));
             s.Recheck(PeekResult::Data);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::Short));
             s.Recheck(PeekResult::EndOfStream);
             s.Recheck(PeekResult::EndOfStream);
         },
         "READ WRITE | | READ | CLOSE | | ", 2},
        {"a receive that finds the end asks for a recheck, which tells the close once",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLOUT);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::EndOfStream));
             s.Recheck(PeekResult::EndOfStream);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::EndOfStream));
             s.Recheck(PeekResult::EndOfStream);
         },
         "WRITE | CLOSE | | ", 1},
        {"a failed receive is looked at again",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLOUT);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::Failed));
             s.Recheck(PeekResult::Failed);
         },
         "WRITE | CLOSE:10054 | ", 1},
        {"write edges while no write notice is owed are not told; a blocked send gets one",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLOUT);
             s.Ready(EPOLLOUT);
             s.rules.SendBlocked();
             s.Recheck();
             s.Ready(EPOLLOUT);
             s.Ready(EPOLLOUT);
         },
         "WRITE | | | WRITE | | ", 0},
        {"a reset ends the connection at once, with unread data, and nothing follows",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.Ready(EPOLLIN | EPOLLOUT);
             s.pendingError = platform::WSAECONNRESET;
             s.Ready(EPOLLIN | EPOLLOUT | EPOLLERR | EPOLLHUP);
             EXPECT_TRUE(s.rules.Received(ReceiveResult::Short));
             s.Recheck(PeekResult::Data);
         },
         "READ WRITE | CLOSE:10054 | | ", 0},
        {"edges that came before the handler are told by the recheck that setting it asks for",
         [](Script& s) {
             s.rules.ConnectionAccepted();
             s.rules.Observe(EPOLLIN | EPOLLOUT);
             s.Recheck(PeekResult::Data);
         },
         "READ WRITE | ", 1},
        {"a connect under way tells nothing on a recheck; its edge is the connect and the write notice",
         [](Script& s) {
             s.rules.ConnectStarted();
             s.Recheck();
             EXPECT_EQ(s.errorsTaken, 0);
             s.Ready(EPOLLOUT);
             s.Ready(EPOLLOUT);
         },
         "| CONNECT WRITE | | ", 0},
        {"a connected peer that has already sent and closed is told after the connect",
         [](Script& s) {
             s.rules.ConnectStarted();
             s.Ready(EPOLLOUT | EPOLLIN | EPOLLRDHUP, PeekResult::Data);
         },
         "CONNECT READ WRITE | ", 1},
        {"a refused connect is one connect notice with its error",
         [](Script& s) {
             s.rules.ConnectStarted();
             s.pendingError = platform::WSAECONNREFUSED;
             s.Ready(EPOLLOUT | EPOLLERR | EPOLLHUP);
             s.Ready(EPOLLIN | EPOLLOUT | EPOLLHUP);
         },
         "CONNECT:10061 | | ", 0},
        {"a listener's fresh edge is an accept notice without a look; one more only after an accept",
         [](Script& s) {
             s.rules.Listened();
             s.Ready(EPOLLIN);
             s.Ready(EPOLLIN);
             EXPECT_TRUE(s.rules.Accepted(false));
             s.Recheck(PeekResult::Data);
             EXPECT_TRUE(s.rules.Accepted(false));
             s.Recheck(PeekResult::Nothing);
             s.Recheck(PeekResult::Data);
             s.Ready(EPOLLIN);
         },
         "ACCEPT | | ACCEPT | | | ACCEPT | ", 2},
        {"an accept that finds the queue empty needs no recheck",
         [](Script& s) {
             s.rules.Listened();
             s.Ready(EPOLLIN);
             EXPECT_FALSE(s.rules.Accepted(true));
             s.Recheck(PeekResult::Data);
         },
         "ACCEPT | | ", 0},
    };
    for (const RulesRow& row : rows) {
        SCOPED_TRACE(row.what);
        Script s;
        row.script(s);
        EXPECT_EQ(s.log, row.expected);
        EXPECT_EQ(s.peeks, row.peeks);
    }
}

}  // namespace
