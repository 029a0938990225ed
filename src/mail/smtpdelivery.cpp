#include "mail/smtpdelivery.h"

#include <vector>

#include "core/filesizes.h"
#include "mail/addresses.h"
#include "mail/mailbox.h"
#include "mail/mailstore.h"
#include "mail/relayfiles.h"
#include "mail/relayqueue.h"
#include "mail/relayscheduler.h"
#include "mail/smtpstep.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "netunit/textfile.h"
#include "netunit/textutil.h"

namespace mail {
namespace {

constexpr int64_t kBytesPerMegabyte = 1048576;

// The files one delivery has made so far, removed again if it fails.
class tdelivery {
public:
    tdelivery(const SmtpSettings& settings, tmailstate& mail, tsession* session)
        : settings_(settings), mail_(mail), session_(session) {}

    bool Run();
    void Undo();
    // The further recipients passed over for want of room, by address; of
    // them, the ones the sender named (the master address's copy is not
    // the sender's business).
    const std::vector<std::string>& PassedOver() const { return passedOver_; }
    const std::vector<std::string>& NamedPassedOver() const { return namedPassedOver_; }

private:
    bool PlaceFirst();
    bool CopyToMailbox(const std::string& source, const core::tuseraccount& account);
    bool QueueForRelay(const std::string& source);

    const SmtpSettings& settings_;
    tmailstate& mail_;
    tsession* session_;
    std::vector<std::string> made_;
    std::vector<std::string> passedOver_;
    std::vector<std::string> namedPassedOver_;
    std::string relayFile_;
    double queuedAt_ = 0;
    int64_t messageId_ = -1;  // the id on the stored message's first line
};

// The id on a message file's first line.
bool ReadFirstLineId(const std::string& File, int64_t& Id) {
    netunit::TTextFile file;
    std::string line;
    const bool read = netunit::TextReset(file, File) && netunit::TextReadLine(file, line);
    netunit::TextClose(file);
    Id = netunit::ParseInt64(line);
    return read && Id >= 0;
}

bool tdelivery::PlaceFirst() {
    std::string placed;
    if (!PlaceInMailbox(session_->DataFileName, settings_.MailDir, FirstMailbox(*session_), placed)) return false;
    made_.push_back(placed);
    session_->DataFileName = placed;
    return true;
}

bool tdelivery::CopyToMailbox(const std::string& source, const core::tuseraccount& account) {
    const std::string& user = account.UserName;
    // The copies share the message's id unless the mailbox holds that id
    // already (a recipient named twice, or directly and through a forward):
    // ids are unique within a mailbox, so such a copy gets the next free one.
    std::vector<std::string> ids;
    int64_t next = 0;
    if (!mail_.MailboxIds.Read(settings_.MailDir, user, ids, next)) return false;
    const std::string temp = FreeTempName(settings_.MailDir + user + "^", next, "");
    const int64_t id = PickMessageId(messageId_, ids);
    if (!CopyFileDurably(source, temp, id == messageId_ ? std::string() : std::to_string(id))) return false;
    std::string placed;
    if (!PlaceInMailbox(temp, settings_.MailDir, user, placed)) {
        netunit::FileDelete(temp);
        return false;
    }
    made_.push_back(placed);
    return true;
}

// The control file is written before the message file takes its queue name,
// so that a queue entry found at start always has its recipients.
bool tdelivery::QueueForRelay(const std::string& source) {
    std::string temp = source;
    if (!FirstMailbox(*session_).empty()) {
        temp = FreeTempName(settings_.RelayDir, 0, ".m");
        if (!CopyFileDurably(source, temp)) return false;
        made_.push_back(temp);
    }
    queuedAt_ = netunit::NowDayNumber();
    const std::string control = RelayControlText(kRelayNotTried, queuedAt_, netunit::TrimSpaces(EnvelopeSender(*session_)),
                                                 session_->RelayRecipients);
    for (int i = 0; i < kPlaceTries; ++i) {
        const std::string name = NextRelayFile(mail_, settings_.RelayDir);
        if (!netunit::WriteFileAtomic(ControlFileOf(name), control, netunit::FileAccess::Private)) return false;
        if (netunit::FileRename(temp, name)) {
            made_.push_back(ControlFileOf(name));
            made_.push_back(name);
            relayFile_ = name;
            if (FirstMailbox(*session_).empty()) session_->DataFileName = name;
            return true;
        }
        netunit::FileDelete(ControlFileOf(name));
        if (!netunit::WideFileExists(name)) return false;
    }
    return false;
}

bool tdelivery::Run() {
    if (!FirstMailbox(*session_).empty() && !PlaceFirst()) return false;
    const std::string source = session_->DataFileName;
    if (!session_->LocalRecipients.empty() && !ReadFirstLineId(source, messageId_)) return false;
    for (const std::string& entry : session_->LocalRecipients) {
        const core::tuseraccount* account = FindMailboxAccount(*settings_.Accounts, entry);
        // A recipient that is gone, or over its quota, is passed over; the
        // message still goes to the others.
        if (account == nullptr) continue;
        if (OverQuota(settings_.HomeDir, *account, session_->ByteCount)) {
            const std::string address = account->EmailAddress.empty() ? account->UserName : account->EmailAddress;
            passedOver_.push_back(address);
            if (!settings_.MasterAddressOn || entry != settings_.MasterAddress) namedPassedOver_.push_back(address);
            continue;
        }
        if (!CopyToMailbox(source, *account)) return false;
    }
    if (!session_->RelayRecipients.empty() && !QueueForRelay(source)) return false;
    if (!netunit::SyncFolder(settings_.MailDir)) return false;
    if (!relayFile_.empty() && !netunit::SyncFolder(settings_.RelayDir)) return false;
    if (!relayFile_.empty())
        AddRelayEntry(mail_, relayFile_, kRelayNotTried, netunit::TrimSpaces(EnvelopeSender(*session_)), queuedAt_);
    return true;
}

void tdelivery::Undo() {
    for (const std::string& name : made_) netunit::FileDelete(name);
    netunit::FileDelete(session_->DataFileName);
}

}  // namespace

bool OverQuota(const std::string& HomeDir, const core::tuseraccount& Account, int64_t Bytes) {
    if (!Account.QuotaApplies) return false;
    return UserDirUsage(HomeDir + Account.UserName) + Bytes >= static_cast<int64_t>(Account.Quota) * kBytesPerMegabyte;
}

bool DeliverMessage(const SmtpSettings& Settings, tmailstate& Mail, tsession* session,
                    std::vector<std::string>* PassedOver) {
    tdelivery delivery(Settings, Mail, session);
    if (!delivery.Run()) {
        delivery.Undo();
        return false;
    }
    if (PassedOver != nullptr) *PassedOver = delivery.PassedOver();
    if (delivery.NamedPassedOver().empty()) return true;
    // The message was taken for the others; the sender hears which
    // recipients never got it.
    std::string reason;
    for (const std::string& recipient : delivery.NamedPassedOver())
        reason += (reason.empty() ? "" : "\r\n") + std::string("Mail to ") + recipient +
                  " was not delivered: that mailbox is full.";
    BounceToSender(Settings, Mail, EnvelopeSender(*session), session->DataFileName,
                   RelayTimeText(netunit::NowDayNumber()), reason);
    return true;
}

}  // namespace mail

