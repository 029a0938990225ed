#include "ui/homefolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/recordfiles.h"
#include "mail/mailbox.h"
#include "mail/mailstore.h"
#include "netunit/fileaccess.h"
#include "netunit/names.h"

namespace core {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A message moved by a rename, or where the two names are on different file
// systems a durable copy followed by the removal of the original. Its new
// place may be readable by others: the message is its owner's alone there.
bool MoveFile(const std::string& from, const std::string& to) {
    errno = 0;
    if (netunit::FileRename(from, to)) {
        netunit::NarrowToOwner(to);  // the message has moved whole either way
        return true;
    }
    if (errno != EXDEV || Exists(to)) return false;
    if (!mail::CopyFileDurably(from, to)) return false;
    ::unlink(from.c_str());
    return true;
}

// The message files of a mailbox moved to another folder and name, keeping
// their numbers; all or nothing.
bool MoveMessages(const std::string& FromDir, const std::string& FromUser, const std::string& ToDir,
                  const std::string& ToUser, const std::vector<mail::tmessagefile>& Files) {
    for (size_t i = 0; i < Files.size(); ++i) {
        const int64_t n = Files[i].Number;
        if (MoveFile(mail::MailboxFileName(FromDir, FromUser, n), mail::MailboxFileName(ToDir, ToUser, n))) continue;
        while (i-- > 0)
            MoveFile(mail::MailboxFileName(ToDir, ToUser, Files[i].Number),
                     mail::MailboxFileName(FromDir, FromUser, Files[i].Number));
        return false;
    }
    return true;
}

}  // namespace

bool SameFolder(const std::string& A, const std::string& B) {
    struct stat a {}, b {};
    return ::stat(A.c_str(), &a) == 0 && ::stat(B.c_str(), &b) == 0 && S_ISDIR(a.st_mode) && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool MoveAside(const std::string& Home, const std::string& Name, const std::string& Own) {
    if (!IsSingleFolderName(Name)) return true;
    const std::string from = Home + Name;
    if (!netunit::WideDirectoryExists(from) && !netunit::WideFileExists(from)) return true;
    if (!Own.empty() && SameFolder(from, Home + Own)) return true;
    std::string candidate = Name + "^";
    while (!netunit::FileRename(from, Home + candidate)) {
        if (candidate.size() >= kMoveAsideMaxName) return false;
        candidate += "^";
    }
    return true;
}

HomeRename RenameHomeFolder(const std::string& Home, const std::string& OldName, const std::string& NewName) {
    if (!IsSingleFolderName(OldName) || !IsSingleFolderName(NewName)) return HomeRename::NotPlain;
    const std::string from = Home + OldName, to = Home + NewName;
    if (!netunit::WideDirectoryExists(from)) return HomeRename::OldMissing;
    if (!SameFolder(from, to)) return netunit::FileRename(from, to) ? HomeRename::Moved : HomeRename::Failed;
    // Both spellings name the one folder: it cannot be renamed onto itself
    // without replacing, so it goes by way of a free name.
    std::string between = OldName + "^";
    while (!netunit::FileRename(from, Home + between)) {
        if (between.size() >= kMoveAsideMaxName) return HomeRename::Failed;
        between += "^";
    }
    if (netunit::FileRename(Home + between, to)) return HomeRename::Moved;
    netunit::FileRename(Home + between, from);
    return HomeRename::Failed;
}

HomeRetire RetireHomeFolder(const std::string& Home, const std::string& MailDir, const std::string& Name,
                            std::string* Kept) {
    if (!IsSingleFolderName(Name)) return HomeRetire::NotPlain;
    const std::string from = Home + Name;
    const bool folder = netunit::WideDirectoryExists(from);
    const std::vector<mail::tmessagefile> messages = mail::ListMailbox(MailDir, Name);
    if (!folder && messages.empty()) return HomeRetire::Missing;
    const std::string retired = Home + kRetiredFolder + "/";
    if (!netunit::WideDirectoryExists(retired) && !netunit::WideForceDirectories(retired)) return HomeRetire::Failed;
    for (int n = 1; n <= kRetiredCopies; ++n) {
        const std::string name = n == 1 ? Name : Name + std::to_string(n);
        if (Exists(retired + name) || !mail::ListMailbox(retired, name).empty()) continue;
        if (!MoveMessages(MailDir, Name, retired, name, messages)) return HomeRetire::Failed;
        if (folder && !netunit::FileRename(from, retired + name)) {
            MoveMessages(retired, name, MailDir, Name, messages);
            return HomeRetire::Failed;
        }
        if (Kept != nullptr) *Kept = name;
        return HomeRetire::Kept;
    }
    return HomeRetire::Failed;
}

}  // namespace core
