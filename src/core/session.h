// One record per accepted connection of the five services. The engine steps
// every record on the main window's timer; the protocol of the record's kind
// moves it through its states, and state 99 closes it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/loginlimit.h"
#include "core/telnetintake.h"
#include "netunit/files.h"
#include "netunit/findfile.h"
#include "netunit/textfile.h"
#include "platform/process.h"

namespace forms {
class TTimer;
class TTreeNode;
}  // namespace forms

struct EXTENSION_CONTROL_BLOCK;

// Protocol kinds, in the numbering the accept handler and the engine use.
enum SessionKind : int32_t {
    kKindTelnet = 1,
    kKindHttp = 2,
    kKindSmtp = 3,
    kKindPop3 = 4,
    kKindFtp = 5,
};

// The states every protocol shares; each protocol names its own in between.
constexpr int32_t kStateAccepted = 0;
constexpr int32_t kStateClosing = 99;

// How far an HTTP request's intake has examined the session's InputBuffer, so
// that each received byte is looked at a bounded number of times however the
// request is cut into reads.
struct trequestscan {
    size_t Searched = 0;        // bytes already searched for the header's end
    bool LineFeedSeen = false;  // a line feed was among them
    size_t WholeSize = 0;       // once the header is in: the buffer size that makes the request whole
};

constexpr size_t kUserNameCapacity = 20;
constexpr size_t kPasswordCapacity = 20;
constexpr int kSampleSeconds = 30;

// Idle timer intervals by kind (Telnet's timer is created disabled).
constexpr unsigned kIdleTelnetMs = 300000;
constexpr unsigned kIdleHttpMs = 120000;
constexpr unsigned kIdleSmtpMs = 300000;
constexpr unsigned kIdlePop3Ms = 300000;
constexpr unsigned kIdleFtpMs = 180000;

const char* SessionKindName(int32_t kind);  // "HTTP", ... or "" for another kind

struct tsession {
    tsession();
    ~tsession();
    tsession(const tsession&) = delete;
    tsession& operator=(const tsession&) = delete;

    // User name and password have a fixed capacity: longer values are cut.
    void SetUserName(const std::string& name);
    void SetPassword(const std::string& password);

    forms::TTreeNode* Node = nullptr;
    int32_t Kind = 0;
    int Socket = -1;
    std::string UserName;
    std::string Password;
    int32_t State = kStateAccepted;
    std::string PeerAddress;
    netunit::tfilehandle TransferFile{};
    netunit::TTextFile MessageFile;
    bool MessageFileOpen = false;
    std::string DataFileName;
    bool TransferFileOpen = false;
    std::string InputBuffer;
    int32_t Counter = 0;
    bool Toggle = false;
    std::u16string Target;

    // The child program of a CGI request or a Telnet prompt: its pipes and process.
    platform::tchildprocess Child;
    bool ChildRunning = false;
    std::vector<char> PipeBuffer;
    int32_t PipeCount = 0;
    // Telnet: a line end split between two reads is still one line end.
    bool ChildInputAfterCR = false;   // the client's last typed byte (to an entry or the child) was CR
    bool ChildOutputAfterCR = false;  // the child's last byte to the client was CR
    // Telnet: a Telnet command cut between two reads.
    core::ttelnetintake TelnetIntake;
    // FTP, POP3 and SMTP: failed logins, and the answer held back after one.
    core::tloginlimit Logins;

    std::vector<std::string> DeletedMessages;
    std::vector<std::string> LocalRecipients;
    std::vector<std::string> RelayRecipients;
    std::string Recipient;
    std::string Sender;
    int32_t TransferType = 0;
    std::string CurrentDir;
    bool Passive = false;
    std::string PortAddress;
    int32_t PortNumber = 0;
    int DataSocket = -1;
    bool DataOpen = false;
    netunit::tfinddata Search{};
    bool SearchOpen = false;
    std::string ArgumentPath;
    int64_t RestartOffset = 0;
    std::string RenameFrom;
    bool NamesOnly = false;
    int64_t ByteCount = 0;
    // FTP: the home folder's usage, less the file being uploaded, when the
    // upload opened it; the quota test adds the size the file reaches instead
    // of walking the folder again.
    int64_t UploadBase = 0;
    forms::TTimer* IdleTimer = nullptr;
    std::array<int32_t, kSampleSeconds> Samples{};
    int32_t SampleCount = 0;
    long double SpeedLimit = 0;
    bool SpeedLimited = false;
    std::string Caption;
    int32_t BlockSize = 4096;
    std::string FilePath;
    std::string Credentials;
    std::string Realm;
    std::string Url;
    std::string PathTranslated;
    std::string ScriptName;
    std::string Host;
    std::string ContentLength;
    trequestscan RequestScan;
    std::string ContentType;
    std::string QueryString;
    std::string Method;
    std::string HttpVariables;
    std::string ScriptDir;
    std::shared_ptr<EXTENSION_CONTROL_BLOCK> Ecb;  // set while an extension serves the request
    std::string DocumentRoot;
    bool IsSsi = false;
    netunit::TTextFile SsiFile;
    std::string PendingText;
};
