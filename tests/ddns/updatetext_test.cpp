// The requests the two update services get and the reading of their answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ddns/dyndnstext.h"
#include "ddns/noiptext.h"
#include "ddns/updatetext.h"

namespace ddns {
namespace {

using Lines = std::vector<std::string>;

const std::string kAgent = "QuillnestDynDNS/1.0 quillnest@localhost";

TEST(UpdateSchedule, IntervalChoicesGoInStepsOfFiveMinutes) {
    const struct {
        int32_t index;
        unsigned ms;
    } rows[] = {{0, 5 * 60000}, {1, 10 * 60000}, {5, 30 * 60000}, {11, 60 * 60000}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(UpdateIntervalMs(r.index), r.ms);
    }
}

TEST(UpdateLists, NamesAreTrimmedAndEndAtTheFirstEmptyOne) {
    const struct {
        const char* setting;
        Lines names;
        const char* what;
    } rows[] = {
        {"a.example; b.example;;c.example", {"a.example", "b.example"}, "stops at the empty field"},
        {"  a.example ; b.example ", {"a.example", "b.example"}, "every name trimmed, the first too"},
        {"home.example;work.example", {"home.example", "work.example"}, "plain"},
        {"", {}, "empty setting"},
        {";a.example", {}, "empty first field"},
        {"a.example;", {"a.example"}, "trailing separator"},
        {"a.example\r;b.example", {"a.example", "b.example"}, "CR trimmed"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(NameList(r.setting), r.names);
    }
}

TEST(UpdateReplies, BodyAndAnswerLines) {
    EXPECT_EQ(ReplyBody("HTTP/1.0 200 OK\r\nX: y\r\n\r\nbody\r\n\r\nmore"), "body\r\n\r\nmore");
    EXPECT_EQ(ReplyBody("no header end\r\n"), "");
    const struct {
        const char* body;
        Lines lines;
        const char* what;
    } rows[] = {
        {"good 1.2.3.4\r\nnochg 1.2.3.4\r\n", {"good 1.2.3.4", "nochg 1.2.3.4"}, "CR LF lines"},
        {"good 1.2.3.4\nnochg 1.2.3.4", {"good 1.2.3.4", "nochg 1.2.3.4"}, "LF lines, no final end"},
        {"a:1\r\n\r\nb:2\r\n", {"a:1"}, "stops at the first empty line"},
        {"  a:1  \r\n", {"a:1"}, "blanks trimmed"},
        {"", {}, "empty body"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(AnswerLines(r.body), r.lines);
    }
}

TEST(UpdateReplies, DottedAddressOf) {
    const struct {
        const char* text;
        const char* address;
    } rows[] = {
        {"203.0.113.5", "203.0.113.5"}, {" 203.0.113.5\r\n", "203.0.113.5"}, {"203.0.113", ""},
        {"203.0.113.256", ""},          {"<html>nope</html>", ""},           {"", ""},
        {"1.2.3.4 5.6.7.8", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(DottedAddressOf(r.text), r.address);
    }
}

TEST(DynDnsText, CheckRequest) {
    EXPECT_EQ(DynDnsCheckRequest(), "GET / HTTP/1.0\r\nhost: checkip.dyndns.org\r\nUser-Agent: " + kAgent + "\r\n\r\n");
}

TEST(DynDnsText, UpdateRequestLines) {
    tdyndnssettings s;
    s.Server = "members.example";
    s.UserName = "user";
    s.Password = "secret";
    s.Hosts = "a.example; b.example;;c.example";
    EXPECT_EQ(DynDnsUpdateRequest(s),
              "GET /nic/update?system=dyndns&hostname=a.example,b.example&wildcard=ON&mx=a.example"
              "&backmx=NO&offline=NO HTTP/1.0\r\n"
              "host: members.example\r\n"
              "Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"
              "User-Agent: " + kAgent + "\r\n\r\n");
}

TEST(DynDnsText, SystemPartByIndex) {
    const struct {
        int32_t index;
        const char* start;
    } rows[] = {{0, "GET /nic/update?system=dyndns&hostname="},
                {1, "GET /nic/update?system=custom&hostname="},
                {2, "GET /nic/update?system=statdns&hostname="},
                {3, "GET /nic/update?hostname="},
                {-1, "GET /nic/update?hostname="}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        tdyndnssettings s;
        s.Hosts = "h.example";
        s.SystemIndex = r.index;
        EXPECT_EQ(DynDnsUpdateRequest(s).rfind(r.start, 0), 0u) << DynDnsUpdateRequest(s);
    }
}

TEST(DynDnsText, QueryValuesAreEscaped) {
    tdyndnssettings s;
    s.Server = "members.example";
    s.Hosts = "a b&c=d.example;x,y.example";
    const std::string request = DynDnsUpdateRequest(s);
    EXPECT_NE(request.find("hostname=a%20b%26c%3Dd.example,x%2Cy.example&wildcard=ON&mx=a%20b%26c%3Dd.example&"),
              std::string::npos)
        << request;
}

TEST(DynDnsText, CheckedAddress) {
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
    const struct {
        std::string reply;
        const char* address;
        const char* what;
    } rows[] = {
        {header + "<html><head><title>Current IP Check</title></head><body>Current IP Address: 203.0.113.5</body></html>",
         "203.0.113.5", "the service's page"},
        {header + "<body>Current IP Address: 203.0.113.5\r\n</body>", "203.0.113.5", "line end before </body>"},
        {header + "Current IP Address: 198.51.100.7", "198.51.100.7", "no </body>"},
        {header + "<body>Current IP: 203.0.113.5</body>", "", "no Address word"},
        {header + "<body>Address: not-an-address</body>", "", "no dotted address"},
        {"<body>Current IP Address: 203.0.113.5</body>", "", "no header: no body"},
        {header + "Address", "", "ends at the word"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(DynDnsCheckedAddress(r.reply), r.address);
    }
}

TEST(DynDnsText, UpdateSucceedsOnlyWhenEveryAnswerIsGoodOrNochg) {
    const struct {
        Lines lines;
        bool ok;
        const char* what;
    } rows[] = {
        {{"good 203.0.113.5"}, true, "good"},
        {{"nochg 203.0.113.5"}, true, "nochg"},
        {{"good 203.0.113.5", "nochg 203.0.113.5"}, true, "two hosts"},
        {{"good 203.0.113.5", "nohost"}, false, "one host refused"},
        {{"badauth"}, false, "refused account"},
        {{"goodness"}, false, "a longer word"},
        {{}, false, "no answer"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(DynDnsUpdateSucceeded(r.lines), r.ok);
    }
}

TEST(NoIpText, CheckAndUpdateRequests) {
    EXPECT_EQ(NoIpCheckRequest(),
              "GET /ip.php HTTP/1.0\r\nhost: dynupdate.no-ip.com\r\nUser-Agent: " + kAgent + "\r\n\r\n");
    tnoipsettings s;
    s.UserName = "user";
    s.Password = "pw";
    s.Hosts = "home.example;work.example";
    EXPECT_EQ(NoIpUpdateRequest(s),
              "GET /ducupdate.php?username=user&pass=pw&h[]=home.example&h[]=work.example HTTP/1.0\r\n"
              "host: dynupdate.no-ip.com\r\n"
              "agent: Quillnest Update Client\r\n\r\n");
    s.Groups = "g1; g2;;g3";
    s.UserName = "me@example.org";
    s.Password = "a&b c";
    EXPECT_EQ(NoIpUpdateRequest(s).substr(0, NoIpUpdateRequest(s).find(" HTTP/1.0")),
              "GET /ducupdate.php?username=me%40example.org&pass=a%26b%20c&h[]=home.example&h[]=work.example"
              "&g[]=g1&g[]=g2");
}

TEST(NoIpText, UpdatePortByChoice) {
    const struct {
        int32_t index;
        int port;
    } rows[] = {{0, 8245}, {1, 80}, {2, 8245}, {-1, 8245}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(NoIpUpdatePort(r.index), r.port);
    }
}

TEST(NoIpText, CheckedAddressIsTheBody) {
    EXPECT_EQ(NoIpCheckedAddress("HTTP/1.0 200 OK\r\n\r\n203.0.113.5"), "203.0.113.5");
    EXPECT_EQ(NoIpCheckedAddress("HTTP/1.0 200 OK\r\n\r\n203.0.113.5\r\n"), "203.0.113.5");
    EXPECT_EQ(NoIpCheckedAddress("HTTP/1.0 404 Not Found\r\n\r\n<html>Not Found</html>"), "");
    EXPECT_EQ(NoIpCheckedAddress("HTTP/1.0 200 OK\r\n"), "");
}

TEST(NoIpText, ReplyTexts) {
    const struct {
        int64_t code;
        const char* text;
    } rows[] = {
        {0, "Current IP was the same so no update was required."},
        {1, "IP was updated successfully."},
        {2, "Host does not exist!"},
        {3, "Invalid username or password."},
        {4, "Invalid username or password."},
        {5, "Too many updates, please wait an hour and send again"},
        {6, "Account banned"},
        {7, "Invalid IP"},
        {8, "Host disabled"},
        {9, "Host is a web direct, not a DNS entry"},
        {10, "Group does not exist!"},
        {11, "Group DNS update successful."},
        {12, "Group DNS is current"},
        {13, "Domain does does not have update client support"},
        {99, "Version disabled, download new version"},
        {14, ""},
        {42, ""},
        {-1, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(NoIpReplyText(r.code), r.text);
    }
}

TEST(NoIpText, AnswerLinesAsLogged) {
    const struct {
        const char* line;
        const char* text;
        const char* what;
    } rows[] = {
        {"home.example:1", "home.example - IP was updated successfully.", "updated"},
        {"home.example:3", "home.example - Invalid username or password.", "code 3"},
        {"home.example:4", "home.example - Invalid username or password.", "code 4"},
        {"home.example:42", "home.example - ", "unknown code"},
        {"home.example:x", "home.example - ", "no number"},
        {"home.example:1\r", "home.example - IP was updated successfully.", "CR before the code is read"},
        {"home.example", "home.example - ", "no colon"},
        {"a:b:1", "a - ", "the first colon splits"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(NoIpAnswerText(r.line), r.text);
    }
}

TEST(NoIpText, UpdateSucceedsOnlyWhenEveryCodeSaysCurrent) {
    const struct {
        Lines lines;
        bool ok;
        const char* what;
    } rows[] = {
        {{"home.example:1"}, true, "updated"},
        {{"home.example:0"}, true, "already current"},
        {{"home.example:1", "grp:11", "grp2:12"}, true, "hosts and groups"},
        {{"home.example:1", "work.example:2"}, false, "one host missing"},
        {{"home.example:3"}, false, "account refused"},
        {{"home.example:5"}, false, "too many updates"},
        {{"home.example"}, false, "no code"},
        {{}, false, "no answer"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(NoIpUpdateSucceeded(r.lines), r.ok);
    }
}

// Only a 200 reply's body is an answer.
TEST(UpdateReplies, OnlyA200ReplyCarriesAnAnswer) {
    const struct {
        const char* reply;
        bool ok;
    } rows[] = {
        {"HTTP/1.0 200 OK\r\n\r\ngood 1.2.3.4", true},
        {"HTTP/1.1 200\r\n\r\ngood 1.2.3.4", true},
        {"HTTP/1.0 500 Internal Server Error\r\n\r\ngood 1.2.3.4", false},
        {"HTTP/1.0 302 Found\r\nLocation: /\r\n\r\ngood 1.2.3.4", false},
        {"HTTP/1.0 2000 OK\r\n\r\ngood", false},
        {"good 1.2.3.4\r\n\r\ngood 1.2.3.4", false},
        {"", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.reply);
        EXPECT_EQ(IsOkReply(r.reply), r.ok);
        EXPECT_EQ(OkReplyBody(r.reply).empty(), !r.ok);
    }
    EXPECT_EQ(StatusLineText("HTTP/1.0 500 Internal Server Error\r\n\r\ngood"), "HTTP/1.0 500 Internal Server Error");
    EXPECT_EQ(NoIpCheckedAddress("HTTP/1.0 500 Oops\r\n\r\n203.0.113.5"), "");
    EXPECT_EQ(DynDnsCheckedAddress("HTTP/1.0 503 Busy\r\n\r\n<body>Current IP Address: 1.2.3.4</body>"), "");
}

// An answer may echo the request (the password with it): only the services'
// own answer lines are logged, and only so many of them.
TEST(UpdateReplies, WhatAnAnswerMayLog) {
    const std::string echo = "Authorization: Basic dXNlcjpzZWNyZXQ=";
    const struct {
        const char* what;
        Lines lines;
        bool (*is)(const std::string&);
        Lines logged;
        size_t left;
    } rows[] = {
        {"DynDNS codes", {"good 1.2.3.4", "nochg 1.2.3.4", "badauth", "!donator", "911"}, IsDynDnsAnswer,
         {"good 1.2.3.4", "nochg 1.2.3.4", "badauth", "!donator", "911"}, 0},
        {"DynDNS echo", {"GET /nic/update?hostname=a HTTP/1.0", echo, "good 1.2.3.4", "goodness"}, IsDynDnsAnswer,
         {"good 1.2.3.4"}, 3},
        {"No-IP answers", {"home.example:1", "grp:11 ", "x:42"}, IsNoIpAnswer, {"home.example:1", "grp:11 ", "x:42"}, 0},
        {"No-IP echo", {"GET /ducupdate.php?username=u&pass=p&h[]=a HTTP/1.0", echo, "host: dynupdate.no-ip.com",
                        ":1", "a b:1", "home.example:1x"},
         IsNoIpAnswer, {}, 6},
        {"a long line is cut", {"good " + std::string(500, '1')}, IsDynDnsAnswer,
         {("good " + std::string(500, '1')).substr(0, kAnswerTextMax)}, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        size_t left = 99;
        EXPECT_EQ(LoggedAnswers(r.lines, r.is, left), r.logged);
        EXPECT_EQ(left, r.left);
    }
    Lines many(500000, "nochg 1.2.3.4");
    size_t left = 0;
    EXPECT_EQ(LoggedAnswers(many, IsDynDnsAnswer, left).size(), kAnswerLinesLogged);
    EXPECT_EQ(left, many.size() - kAnswerLinesLogged);
    EXPECT_EQ(NoIpAnswerText(std::string(300, 'h') + ":1"), std::string(kAnswerTextMax, 'h') +
                                                              " - IP was updated successfully.");
}

// The answers that mean "stop until the user corrects the settings".
TEST(UpdateReplies, AnswersThatStopUpdates) {
    const struct {
        Lines lines;
        const char* dyndns;
    } dyn[] = {
        {{"badauth"}, "badauth"}, {{"good 1.2.3.4", "nohost"}, "nohost"}, {{"abuse"}, "abuse"},
        {{"!donator"}, "!donator"}, {{"notfqdn"}, "notfqdn"}, {{"numhost"}, "numhost"},
        {{"badagent"}, "badagent"}, {{"!yours"}, "!yours"},
        {{"dnserr"}, ""}, {{"911"}, ""}, {{"good 1.2.3.4", "nochg 1.2.3.4"}, ""}, {{"badauthx"}, ""}, {{}, ""},
    };
    for (const auto& r : dyn) {
        SCOPED_TRACE(r.dyndns);
        EXPECT_EQ(DynDnsStoppingCode(r.lines), r.dyndns);
    }
    const struct {
        Lines lines;
        const char* noip;
    } noip[] = {
        {{"home.example:3"}, "Invalid username or password."},
        {{"home.example:1", "grp:4"}, "Invalid username or password."},
        {{"home.example:6"}, "Account banned"},
        {{"home.example:2"}, ""}, {{"home.example:5"}, ""}, {{"home.example:0", "grp:12"}, ""},
        {{"Basic x:3 y"}, ""},
    };
    for (const auto& r : noip) {
        SCOPED_TRACE(r.noip);
        EXPECT_EQ(NoIpStoppingText(r.lines), r.noip);
    }
}

TEST(UpdateSettings, AnyChangeOfWhatAnUpdateSendsMakesANewKey) {
    tdyndnssettings d;
    d.Server = "members.test";
    d.UserName = "user";
    d.Password = "pw";
    d.Hosts = "a.example";
    const std::string key = DynDnsSettingsKey(d);
    tdyndnssettings changed = d;
    changed.IntervalIndex = 7;
    changed.LogIndex = 1;
    EXPECT_EQ(DynDnsSettingsKey(changed), key);
    for (auto change : {+[](tdyndnssettings& s) { s.Password = "pw2"; }, +[](tdyndnssettings& s) { s.UserName = "u"; },
                        +[](tdyndnssettings& s) { s.Hosts = "b.example"; }, +[](tdyndnssettings& s) { s.SystemIndex = 1; },
                        +[](tdyndnssettings& s) { s.Server = "other.test"; },
                        +[](tdyndnssettings& s) { s.UserName = "userp"; s.Password = "w"; }}) {
        changed = d;
        change(changed);
        EXPECT_NE(DynDnsSettingsKey(changed), key);
    }
    tnoipsettings n;
    n.UserName = "user";
    tnoipsettings m = n;
    m.Groups = "g";
    EXPECT_NE(NoIpSettingsKey(m), NoIpSettingsKey(n));
}

}  // namespace
}  // namespace ddns
