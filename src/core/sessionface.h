// What a protocol step needs of the engine: the sockets, the session list, the
// status log and the common close. The main window is the engine; a step test
// puts a small engine of its own in its place, so that the protocol files need
// not know the window.
#pragma once

#include <string>
#include <vector>

#include "core/lineintake.h"
#include "core/records.h"
#include "core/session.h"

class Tnetsockets;

namespace core {

class tsessionface {
public:
    virtual ~tsessionface() = default;

    // A line of the status log.
    virtual void AddLog(const std::string& Text) = 0;
    // The common close step of state 99: logs the end, closes the socket,
    // removes the node and frees the session at index. Protocols release their
    // own resources first. What is still to be sent leaves through the
    // socket's graceful close, whose bound runs from here: a client that
    // stops reading never keeps a session that is to end.
    virtual void CloseSessionStep(tsession* session, int index) = 0;
    // True when a trigger line of Service matches Text: Address is then banned.
    virtual bool CheckTriggers(TriggerService Service, const std::string& Text, const std::string& Address) = 0;
    // A finished download for the transfer list and for the statistics.
    virtual void AddDownloadRecord(const std::string& FileName, const std::string& Folder, const std::string& User) = 0;
    virtual void CountDownloadStat(const std::string& FileName, const std::string& Folder) = 0;

    // "[HTTP:12:user:/dir] ": the session's socket, user and folder, and its
    // protocol when WithProtocol.
    static std::string SessionPrefix(const tsession* Session, bool WithProtocol);
    // The same prefix, appended to Out.
    static void AppendSessionPrefix(std::string& Out, const tsession* Session, bool WithProtocol);
    // Switches a session's idle timer off and on: restarts an enabled timer's
    // countdown and leaves a disabled one disabled.
    static void RestartIdleTimer(tsession* session);
    int FindSessionBySocket(int Socket) const;

    Tnetsockets* netsockets = nullptr;
    std::vector<tsession*> SessionList;  // owned; freed by the close step or at shutdown
};

// The acts every protocol's dialogue shares; the protocols wrap them only
// where their own texts differ.
// Sends Text and CR LF, then restarts the session's idle countdown.
void SendLine(tsessionface& face, tsession* session, const std::string& Text);
// A log line with the session's prefix, protocol included.
void LogSession(tsessionface& face, const tsession* session, const std::string& Text);
// The session's node in the connections tree shows its short prefix and Text.
void CaptionSession(const tsession* session, const std::string& Text);

// Reads what has arrived (one receive of at most 4096 bytes) into the
// session's buffer as it came, NUL bytes included: line ends are found on the
// bytes as sent, and the intakes leave NULs out of what they take. Restarts
// the idle countdown. False when nothing was waiting.
bool ReceiveIntoBuffer(tsessionface& face, tsession* session);
// One command line of the session, bounded by Rules, when one has arrived;
// reads more only once the lines already here are answered, so that a client
// that sends faster than it reads cannot grow the buffer.
bool TakeSessionLine(tsessionface& face, tsession* session, const tlinerules& Rules, std::string& Line);

// The debug channel: off unless switched on, so the visible log stays as it
// is. When on, its lines go to the status log of the face that sets it.
void SetDebugLog(tsessionface* face);
void DebugLog(const std::string& Text);

// Moves a session to State, telling the debug channel the change in the
// kind's own state names. Each protocol wraps it with its to-text function.
void EnterState(tsession* session, int32_t State, const char* (*StateText)(int32_t));

}  // namespace core
