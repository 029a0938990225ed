// Data connections (PORT, PASV) and file transfers (RETR, STOR, APPE) of an
// FTP session: states 10, 6, 7 and 5.
#include <algorithm>
#include <array>

#include "core/accounting.h"
#include "core/filesizes.h"
#include "ftp/ftpfields.h"
#include "ftp/ftpsession.h"
#include "ftp/portparse.h"
#include "ftp/speedgate.h"
#include "netsock/netsockets.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"

namespace ftp {
namespace {

constexpr int64_t kBytesPerMegabyte = 1048576;
constexpr int kTransferWrite = 1;  // tfilehandle.Mode of a file opened for writing

const PathReplies kRetrReplies{"501 RETR what??", "550 Invalid User!", "553 NO WAY DEWD!!"};
const PathReplies kStorReplies{"501 STOR what??", "550 Invalid User!", "553 no way!"};
const PathReplies kAppeReplies{"501 STOR what??", "550 Invalid User!", "553 HAH! yeah RIGHT!"};

constexpr const char* kNoDataPort = "500 try PORT or PASV first :P";
constexpr const char* kUploadRefused = "553 Access Denied!";

// One upload block; the engine runs on one thread and a step moves at most
// one block, so one buffer serves every session.
std::array<char, kUploadBlock> g_uploadBuffer;

Tnetsockets* Sockets(FtpStep& step) { return step.face.netsockets; }

std::string TargetText(const tsession* s) { return netunit::WideToUtf8(TransferTarget(*s)); }

std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

void StartTransfer(FtpStep& step, const core::tuseraccount& account, const std::string& caption) {
    tsession* s = step.session;
    s->Caption = core::tsessionface::SessionPrefix(s, false) + caption;
    s->SpeedLimited = account.SpeedLimit;
    s->SpeedLimit = account.MaxSpeed;
    s->SampleCount = 1;
    s->Samples.back() = 0;
}

void CloseTransferFile(tsession* s) {
    if (s->TransferFileOpen) netunit::FileCloseHandle(s->TransferFile);
    s->TransferFileOpen = false;
}

// Uploads into the home folders count against the uploader's quota.
bool UnderHome(const tsession* s) { return netunit::AsciiUpperCase(TargetText(s)).rfind("/HOME", 0) == 0; }

bool QuotaApplies(const tsession* s, const core::tuseraccount* account) {
    return account != nullptr && account->QuotaApplies && UnderHome(s);
}

std::string HomeFolderOf(FtpStep& step, const core::tuseraccount& account) {
    return step.Settings().HomeDir + account.UserName;
}

// Ends a transfer that cannot go on. The client gets the failure instead of
// "226 End of transfer.", which would tell it the file is complete.
void AbortTransfer(FtpStep& step, const char* reply) {
    tsession* s = step.session;
    CloseTransferFile(s);
    CloseDataConnection(step);
    s->SampleCount = 0;
    StateAfterData(*s) = 0;
    s->RestartOffset = 0;
    Reply(step, reply);
    EnterState(s, kFtpCommands);
}

void StopForQuota(FtpStep& step) {
    LogAndCaption(step, "Quota exceeded! (" + TargetText(step.session) + ")");
    AbortTransfer(step, "552 Quota exceeded!");
}

enum class BlockResult { Written, OverQuota, WriteFailed };

// The size the file has once the next block is written where it goes: bytes
// written over what the file already held take no new room.
int64_t SizeReached(tsession* s, int count) {
    return std::max(netunit::FileSize64(s->TransferFile), netunit::FilePosition64(s->TransferFile) + count);
}

// Writes a received block unless it would take the home folder to its quota.
BlockResult TakeUploadBlock(tsession* s, const core::tuseraccount* account, int count) {
    s->ByteCount += count;
    if (QuotaApplies(s, account) &&
        s->UploadBase + SizeReached(s, count) >= int64_t{account->Quota} * kBytesPerMegabyte)
        return BlockResult::OverQuota;
    if (!netunit::FileWriteBlock(s->TransferFile, g_uploadBuffer.data(), count)) return BlockResult::WriteFailed;
    CountBlock(s);
    return BlockResult::Written;
}

void RecordUpload(FtpStep& step) {
    tsession* s = step.session;
    if (step.Settings().MonitorUploads)
        step.recordUpload(FileNameOf(s->FilePath), netunit::WideExtractPath(s->FilePath), s->UserName);
}

void FinishUpload(FtpStep& step) {
    tsession* s = step.session;
    LogAndCaption(step, "Uploaded " + TargetText(s));
    CloseTransferFile(s);
    CloseDataConnection(step);
    EnterState(s, kFtpTransferDone);
    s->SampleCount = 0;
    RecordUpload(step);
}

void FinishDownload(FtpStep& step) {
    tsession* s = step.session;
    if (netunit::FileAtEnd(s->TransferFile)) {
        LogAndCaption(step, "Downloaded " + TargetText(s));
        const std::string name = FileNameOf(s->FilePath);
        const std::string folder = netunit::WideExtractPath(s->FilePath);
        const FtpSettings& settings = step.Settings();
        if (settings.MonitorDownloads) step.face.AddDownloadRecord(name, folder, s->UserName);
        if (settings.MonitorStats) step.face.CountDownloadStat(name, folder);
    } else {
        LogAndCaption(step, "Error downloading " + TargetText(s));
    }
    CloseTransferFile(s);
    CloseDataConnection(step);
    EnterState(s, kFtpTransferDone);
    s->SampleCount = 0;
}

bool OpenUploadFile(tsession* s, const std::string& path, bool append) {
    if (IsDeviceName(path)) return false;
    if (append) return netunit::FileOpenForAppend(s->TransferFile, path, 0);
    if (s->RestartOffset != 0 && netunit::FileOpenForAppend(s->TransferFile, path, s->RestartOffset)) return true;
    return netunit::FileCreateForWrite(s->TransferFile, path);
}

// STOR and APPE once their permissions hold: open the file, then the data
// connection.
void StartUpload(FtpStep& step, const PathTarget& t, bool append) {
    tsession* s = step.session;
    s->FilePath = t.local.Path;
    if (!OpenUploadFile(s, t.local.Path, append)) {
        Reply(step, kUploadRefused);
        return;
    }
    s->TransferFileOpen = true;
    s->ByteCount = 0;
    // The folder is measured once, without the file itself; each block then
    // adds the size the file reaches.
    s->UploadBase = UnderHome(s) ? UserDirUsage(HomeFolderOf(step, *t.account)) -
                                       netunit::FileSize64(s->TransferFile)
                                 : 0;
    const std::string target = TargetText(s);
    Log(step, (append ? "Appending to " : "Uploading ") + target);
    Caption(step, "Uploading " + target + " (" + FormatKilobytes(netunit::FilePosition64(s->TransferFile)) + ")");
    StartTransfer(step, *t.account, "Uploading " + target);
    if (!SetUpDataConnection(step)) {
        CloseTransferFile(s);
        s->SampleCount = 0;
        Reply(step, "550 Error opening connection.");
        return;
    }
    EnterState(s, kFtpWaitData);
    StateAfterData(*s) = kFtpReceiveFile;
}

// What every transfer command checks first: a data port, then its path.
bool CheckTransfer(FtpStep& step, const std::string& line, const PathReplies& replies, PathTarget& t) {
    if (step.session->PortNumber == 0) {
        Reply(step, kNoDataPort);
        return false;
    }
    return CheckPathArgument(step, line, replies, t);
}

}  // namespace

bool SetUpDataConnection(FtpStep& step) {
    tsession* s = step.session;
    if (!s->Passive) {
        if (s->DataOpen) CloseDataConnection(step);
        int socket = INVALID_SOCKET;
        if (!Sockets(step)->NewClientSocket(socket)) return false;
        s->DataSocket = socket;
        Sockets(step)->ConnectTo(socket, s->PortAddress, s->PortNumber);
        s->DataOpen = true;
    }
    if (s->SearchOpen) netunit::WideFindClose(s->Search);
    s->SearchOpen = false;
    return true;
}

void CloseDataConnection(FtpStep& step) {
    tsession* s = step.session;
    if (s->DataOpen) Sockets(step)->CloseSession(s->DataSocket);
    s->DataOpen = false;
    if (s->Passive) {
        s->Passive = false;
        s->PortNumber = 0;
        s->DataSocket = INVALID_SOCKET;
    }
}

void DoPort(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    s->PortAddress.clear();
    PortTarget target;
    // The data connection goes back to the client itself, never elsewhere.
    if (!ParsePortArgument(netunit::NthWord(line, 2), target) || target.Address != s->PeerAddress) {
        s->PortNumber = -1;
        Reply(step, "501 Invalid PORT parameters.");
        return;
    }
    // A passive listener still open would be left behind by the switch.
    if (s->Passive) CloseDataConnection(step);
    s->PortAddress = target.Address;
    s->PortNumber = target.Port;
    s->Passive = false;
    Reply(step, "200 PORT command successful.");
}

void DoPasv(FtpStep& step, const std::string&) {
    tsession* s = step.session;
    Tnetsockets* sockets = Sockets(step);
    if (s->DataOpen) CloseDataConnection(step);
    s->Passive = false;
    int socket = INVALID_SOCKET;
    if (sockets->NewClientSocket(socket)) {
        s->DataSocket = socket;
        s->PortNumber = 0;
        int port = 0;
        if (sockets->BindPort(socket, port) == 0) {
            s->PortNumber = port;
            sockets->ListenPort(socket);
            s->Passive = true;
            s->DataOpen = true;
            Reply(step, PassiveReply(sockets->LocalAddress(s->Socket), port));
        } else {
            sockets->CloseSession(socket);
            s->DataSocket = INVALID_SOCKET;
        }
    }
    if (!s->DataOpen) Reply(step, "500 Could not enter passive mode :(");
}

void DoRest(FtpStep& step, const std::string& line) {
    const std::string word = netunit::NthWord(line, 2);
    int64_t offset = 0;
    if (!ParseFtpNumber(word, offset) || offset < 0) {
        Reply(step, "501 That's not a resting point ;)");
        return;
    }
    step.session->RestartOffset = offset;
    Reply(step, "350 Restarting at " + word);
}

void DoRetr(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    PathTarget t;
    if (!CheckTransfer(step, line, kRetrReplies, t)) return;
    if (!netunit::WideFileExists(t.local.Path) || !t.local.Permissions.FileRead) {
        Reply(step, "550 File not accessible or does not exist.");
        return;
    }
    if (!SetUpDataConnection(step)) {
        Reply(step, "425 Error opening connection.");
        return;
    }
    s->FilePath = t.local.Path;
    bool open = !IsDeviceName(s->FilePath) && netunit::FileOpenForRead(s->TransferFile, s->FilePath);
    if (open) {
        s->TransferFileOpen = true;
        TransferTarget(*s) = netunit::Utf8ToWide(t.virtualPath);
        const std::string target = t.virtualPath;
        const int64_t size = netunit::FileSize64(s->TransferFile);
        Log(step, "Downloading " + target);
        Caption(step, "Downloading " + target + " (" + FormatKilobytes(netunit::FilePosition64(s->TransferFile)) +
                          "/" + FormatKilobytes(size) + ")");
        StartTransfer(step, *t.account, "Downloading " + target);
        if (s->RestartOffset != 0) {
            if (s->RestartOffset > size || !netunit::FileSeek64(s->TransferFile, s->RestartOffset)) {
                CloseTransferFile(s);
                s->SampleCount = 0;
                open = false;
            }
        }
        s->RestartOffset = 0;
    }
    if (!open) {
        CloseDataConnection(step);
        Reply(step, "550 File not accessible.");
        return;
    }
    EnterState(s, kFtpWaitData);
    StateAfterData(*s) = kFtpSendFile;
}

void DoStor(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    PathTarget t;
    if (!CheckTransfer(step, line, kStorReplies, t)) return;
    TransferTarget(*s) = netunit::Utf8ToWide(t.virtualPath);
    const FtpPermissions& p = t.local.Permissions;
    // The published folder itself is no file to write, even while it is missing.
    const bool refused = t.local.Path.empty() || t.local.PublishedRoot || !p.FileWrite ||
                         (s->RestartOffset != 0 && !p.FileAppend) || (!p.FileAppend && netunit::WideFileExists(t.local.Path)) ||
                         // Creating the file would create its missing folders too.
                         (!p.DirMake && !netunit::WideDirectoryExists(netunit::WideExtractPath(t.local.Path)));
    if (refused) {
        Reply(step, kUploadRefused);
        return;
    }
    // As for RETR, a restart point lies within the file or at its end: one
    // beyond would leave a gap of the client's choosing in the file.
    if (s->RestartOffset != 0 && netunit::WideFileExists(t.local.Path) &&
        s->RestartOffset > netunit::FileSizeByName(t.local.Path)) {
        s->RestartOffset = 0;
        Reply(step, kUploadRefused);
        return;
    }
    StartUpload(step, t, false);
}

void DoAppe(FtpStep& step, const std::string& line) {
    tsession* s = step.session;
    PathTarget t;
    if (!CheckTransfer(step, line, kAppeReplies, t)) return;
    TransferTarget(*s) = netunit::Utf8ToWide(t.virtualPath);
    const FtpPermissions& p = t.local.Permissions;
    if (t.local.Path.empty() || !p.FileAppend || !p.FileWrite || !netunit::WideFileExists(t.local.Path)) {
        Reply(step, kUploadRefused);
        return;
    }
    StartUpload(step, t, true);
}

void StepWaitData(FtpStep& step) {
    tsession* s = step.session;
    Tnetsockets* sockets = Sockets(step);
    if (sockets->CanSend(s->DataSocket)) {
        if (!ControlCanSend(step)) return;
        Reply(step, "150 Opening connection for transfer.");
        EnterState(s, StateAfterData(*s));
        // The field now keeps a listing's place, which starts at the first alias.
        ListingPlace(*s) = 0;
        return;
    }
    // A connect that failed would otherwise hold the session here until its
    // idle timer ends it.
    if (sockets->IsDead(s->DataSocket)) AbortTransfer(step, "425 Error opening connection.");
}

void StepSendFile(FtpStep& step) {
    tsession* s = step.session;
    Tnetsockets* sockets = Sockets(step);
    // A data connection that failed can no longer send: that ends the download
    // too. A client that only ended its own sending still takes the file.
    const bool dead = sockets->IsDead(s->DataSocket);
    if (!sockets->CanSend(s->DataSocket) && !dead) return;
    if (netunit::FileAtEnd(s->TransferFile) || dead) {
        FinishDownload(step);
        return;
    }
    if (s->SpeedLimited && !CheckFtpSpeed(*s, kDownloadBlock, s->SpeedLimit)) return;
    s->BlockSize = kDownloadBlock;
    const int64_t left = netunit::FileSize64(s->TransferFile) - netunit::FilePosition64(s->TransferFile);
    int count = static_cast<int>(std::clamp<int64_t>(left, 0, kDownloadBlock));
    std::array<char, kDownloadBlock> block;
    if (netunit::FileReadBlock(s->TransferFile, block.data(), count) <= 0) {
        EnterState(s, kFtpClosing);
        return;
    }
    sockets->SendData(s->DataSocket, block.data(), count);
    CountBlock(s);
    RestartIdle(step);
}

void StepReceiveFile(FtpStep& step) {
    tsession* s = step.session;
    Tnetsockets* sockets = Sockets(step);
    const core::tuseraccount* account = SessionAccount(step);
    if (s->SpeedLimited && !CheckFtpSpeed(*s, kUploadBlock, s->SpeedLimit)) return;
    // Every step tries a receive: the socket's data notice comes back only
    // between engine runs, and waiting for it would hold an upload to one
    // block a tick.
    const int count = sockets->ReceiveData(s->DataSocket, g_uploadBuffer.data(), kUploadBlock);
    if (count <= 0) {
        // Only the end of the stream (or a connection that failed) closes the
        // upload, so the tail of a file that came with the close is kept.
        if (count == 0 || sockets->IsDead(s->DataSocket) || sockets->PeerClosed(s->DataSocket)) FinishUpload(step);
        return;
    }
    s->BlockSize = count;
    RestartIdle(step);
    switch (TakeUploadBlock(s, account, count)) {
        case BlockResult::OverQuota: StopForQuota(step); break;
        case BlockResult::WriteFailed: EnterState(s, kFtpClosing); break;
        case BlockResult::Written: break;
    }
}

void StepTransferDone(FtpStep& step) {
    if (!ControlCanSend(step)) return;
    Reply(step, "226 End of transfer.");
    step.session->RestartOffset = 0;
    EnterState(step.session, kFtpCommands);
}

void EndDataAtClose(FtpStep& step) {
    tsession* s = step.session;
    Tnetsockets* sockets = Sockets(step);
    const bool uploading = s->TransferFileOpen && s->TransferFile.Mode == kTransferWrite;
    if (uploading && sockets->HasData(s->DataSocket)) {
        const int count = sockets->ReceiveData(s->DataSocket, g_uploadBuffer.data(), kUploadBlock);
        if (count > 0 && TakeUploadBlock(s, SessionAccount(step), count) == BlockResult::OverQuota) {
            LogAndCaption(step, "Quota exceeded! (" + TargetText(s) + ")");
        } else {
            LogAndCaption(step, "Uploaded " + TargetText(s));
            RecordUpload(step);
        }
    }
    CloseDataConnection(step);
}

}  // namespace ftp
