// Every verb of the folder controls on every kind of item, on one file
// system and across two: what exists where afterwards (byte for byte, with
// times and modes) and what the user was told. The second file system is a
// tmpfs mounted in a private mount namespace, so the cells run in a child
// of this test program started through unshare; they run once as root and
// once as an ordinary user (nobody), whose permissions matter for
// read-only folders and for the Trash of a file system it may not write.
// As root they also move folders across while the source changes under the
// copy: a file appears, a file grows, a file is replaced.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "forms/dialogs.h"
#include "netunit/opengate.h"
#include "ui/homemove.h"
#include "widgets/shell/fileuri.h"
#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shellverbs.h"

using namespace shell;

namespace {

constexpr const char* kFixtureVar = "QN_FOLDER_MATRIX_FIXTURE";
constexpr const char* kUserVar = "QN_FOLDER_MATRIX_UID";
constexpr uid_t kNobody = 65534;
// A fixed time for everything the cells make, so that a kept time shows.
constexpr time_t kMadeAt = 978307200;  // 2001-01-01

// --- what a tree holds ---

struct TEntry {
    char Type = '?';
    unsigned Mode = 0;
    int64_t MTime = 0;
    uid_t Uid = 0;
    gid_t Gid = 0;
    std::string Data;  // a file's bytes, a link's text
    bool operator==(const TEntry&) const = default;
};
using TSnapshot = std::map<std::string, TEntry>;

bool Exists(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

void SnapInto(const std::string& path, const std::string& rel, TSnapshot& out) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    TEntry e;
    e.Mode = st.st_mode & 07777;
    e.MTime = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    e.Uid = st.st_uid;
    e.Gid = st.st_gid;
    if (S_ISLNK(st.st_mode)) {
        e.Type = 'l';
        e.Mode = 0;
        char buf[4096];
        const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        e.Data.assign(buf, n > 0 ? size_t(n) : 0);
    } else if (S_ISREG(st.st_mode)) {
        e.Type = 'f';
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        e.Data = s.str();
    } else if (S_ISDIR(st.st_mode)) {
        e.Type = 'd';
        e.MTime = 0;  // a folder's own time is checked at its top only
        if (DIR* d = ::opendir(path.c_str())) {
            while (const dirent* de = ::readdir(d)) {
                const std::string n = de->d_name;
                if (n != "." && n != "..") SnapInto(path + "/" + n, rel + "/" + n, out);
            }
            ::closedir(d);
        }
    }
    out[rel] = e;
}

TSnapshot Snap(const std::string& path) {
    TSnapshot s;
    SnapInto(path, "", s);
    struct stat st {};
    if (!s.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        s[""].MTime = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

std::string Describe(const TSnapshot& s) {
    std::string out;
    for (const auto& [rel, e] : s)
        out += "  '" + PercentEncodePath(rel) + "' " + e.Type + " mode " + std::to_string(e.Mode) + " time " +
               std::to_string(e.MTime) + " owner " + std::to_string(e.Uid) + " '" + PercentEncodePath(e.Data) + "'\n";
    return out;
}

// Snapshot of a folder without one of its entries.
TSnapshot SnapWithout(const std::string& folder, const std::string& name) {
    TSnapshot s = Snap(folder);
    for (auto i = s.begin(); i != s.end();)
        i = i->first == "/" + name || i->first.rfind("/" + name + "/", 0) == 0 ? s.erase(i) : std::next(i);
    s.erase("");  // the folder's own time changes with its entries
    return s;
}

// The name in a Trash of the entry whose info file records a path; "" for
// none.
std::string TrashEntryOf(const std::string& trash, const std::string& recorded) {
    const std::string line = "\nPath=" + PercentEncodePath(recorded) + "\n";
    DIR* d = ::opendir((trash + "/info").c_str());
    if (!d) return {};
    std::string found;
    while (const dirent* de = ::readdir(d)) {
        const std::string n = de->d_name;
        if (n.size() <= 10 || n.substr(n.size() - 10) != ".trashinfo") continue;
        std::ifstream in(trash + "/info/" + n, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        if (s.str().find(line) != std::string::npos) found = n.substr(0, n.size() - 10);
    }
    ::closedir(d);
    return found;
}

// --- making the kinds ---

void Stamp(const std::string& p) {
    const struct timespec t[2] = {{kMadeAt, 0}, {kMadeAt + 5, 123456789}};
    ::utimensat(AT_FDCWD, p.c_str(), t, AT_SYMLINK_NOFOLLOW);
}
void File(const std::string& p, const std::string& text, mode_t mode) {
    std::ofstream(p, std::ios::binary) << text;
    ::chmod(p.c_str(), mode);
    Stamp(p);
}
void Folder(const std::string& p, mode_t mode = 0755) {
    ::mkdir(p.c_str(), 0700);
    ::chmod(p.c_str(), mode);
}
void Link(const std::string& target, const std::string& p) {
    ASSERT_EQ(::symlink(target.c_str(), p.c_str()), 0) << p;
    Stamp(p);
}

enum TKind { kPlain, kLinkToFolder, kDanglingLink, kLoopingLink, kOddName, kNameTaken, kOwnSubtree, kReadOnlySub };
const char* KindName(TKind k) {
    static const char* names[] = {"plain folder",   "link to a folder", "dangling link",       "looping link",
                                  "non-UTF-8 name", "existing name",    "into its own subtree", "read-only subfolder"};
    return names[k];
}

// Makes the item of a kind in src (and what it needs in dst); its name.
std::string MakeKind(TKind kind, const std::string& src, const std::string& dst) {
    auto plain = [&](const std::string& p) {
        Folder(p);
        File(p + "/f.txt", "hello\n", 0640);
        Folder(p + "/sub", 0750);
        File(p + "/sub/g.bin", std::string("\0\xff\x01", 3), 0600);
        Stamp(p + "/sub");
        Stamp(p);
    };
    switch (kind) {
        case kPlain: plain(src + "/plain"); return "plain";
        case kLinkToFolder:
            Folder(src + "/data");
            plain(src + "/data/important");
            Link("data/important", src + "/proj");
            return "proj";
        case kDanglingLink: Link("nowhere/at/all", src + "/dangle"); return "dangle";
        case kLoopingLink: Link("loop", src + "/loop"); return "loop";
        case kOddName:
            plain(src + "/a\xff");
            Folder(src + "/a\xef\xbf\xbd");
            File(src + "/a\xef\xbf\xbd/other.txt", "not me\n", 0644);
            return "a\xff";
        case kNameTaken:
            plain(src + "/plain");
            Folder(dst + "/plain");
            File(dst + "/plain/mark", "keep\n", 0644);
            return "plain";
        case kOwnSubtree: plain(src + "/plain"); return "plain";
        case kReadOnlySub:
            Folder(src + "/ro");
            File(src + "/ro/top.txt", "top\n", 0644);
            Folder(src + "/ro/inner");
            File(src + "/ro/inner/deep.txt", "deep\n", 0444);
            ::chmod((src + "/ro/inner").c_str(), 0555);
            Stamp(src + "/ro/inner");
            Stamp(src + "/ro");
            return "ro";
    }
    return {};
}

enum TVerb { vCutPaste, vCopyPaste, vDropCopy, vDropMove, vDropLink, vTrash, vShiftDelete, vRename };
const char* VerbName(TVerb v) {
    static const char* names[] = {"cut+paste", "copy+paste", "drop copy", "drop move",
                                  "drop link", "Trash",      "Shift+Delete", "rename"};
    return names[v];
}

// Outcomes of a cell.
enum TOutcome {
    oMoved,       // gone from src, the same in dst
    oCopied,      // the same in both
    oLinked,      // src as it was, dst holds a link to it
    oTrashed,     // gone from src, the same in its Trash with a true info file
    oDeleted,     // gone; nothing else changed
    oRenamed,     // under its new name in src
    oRefused,     // nothing changed anywhere, the user was told
    oMovedKept,   // a whole copy in dst, some of src stayed, the user was told
    oTrashedKept, // a whole copy in the home Trash with its info file, some of src stayed, told
    oFailedKept,  // nothing arrived anywhere, what could not go stayed, the user was told
    oNone,        // not a cell
};

// Where the cells' two folders lie: both on the fixture's file system, or
// the source there and the target on the tmpfs; for the Trash, the item on
// the tmpfs (whose own Trash it may make), or on a tmpfs whose top folder
// it may not write (so only the home Trash is left).
enum TPlace { pOne, pAcross, pClosed };

struct TRow {
    TKind Kind;
    TVerb Verb;
    TOutcome One, Across;
    const char* Told = "";  // a part of what the user is told
    // Where an ordinary user's permissions give another outcome.
    TOutcome OneAsUser = oNone, AcrossAsUser = oNone;
};

// clang-format off
const TRow kRows[] = {
    {kPlain, vCutPaste, oMoved, oMoved},
    {kPlain, vCopyPaste, oCopied, oCopied},
    {kPlain, vDropCopy, oCopied, oCopied},
    {kPlain, vDropMove, oMoved, oMoved},
    {kPlain, vDropLink, oLinked, oLinked},
    {kPlain, vTrash, oTrashed, oTrashed},
    {kPlain, vShiftDelete, oDeleted, oNone},
    {kPlain, vRename, oRenamed, oNone},
    {kLinkToFolder, vCutPaste, oMoved, oMoved},
    {kLinkToFolder, vCopyPaste, oCopied, oCopied},
    {kLinkToFolder, vDropCopy, oCopied, oCopied},
    {kLinkToFolder, vDropMove, oMoved, oMoved},
    {kLinkToFolder, vDropLink, oLinked, oLinked},
    {kLinkToFolder, vTrash, oTrashed, oTrashed},
    {kLinkToFolder, vShiftDelete, oDeleted, oNone},
    {kLinkToFolder, vRename, oRenamed, oNone},
    {kDanglingLink, vCutPaste, oMoved, oMoved},
    {kDanglingLink, vCopyPaste, oCopied, oCopied},
    {kDanglingLink, vDropMove, oMoved, oMoved},
    {kDanglingLink, vTrash, oTrashed, oTrashed},
    {kDanglingLink, vShiftDelete, oDeleted, oNone},
    {kLoopingLink, vCutPaste, oMoved, oMoved},
    {kLoopingLink, vCopyPaste, oCopied, oCopied},
    {kLoopingLink, vDropLink, oLinked, oLinked},
    {kLoopingLink, vTrash, oTrashed, oTrashed},
    {kLoopingLink, vRename, oRenamed, oNone},
    {kOddName, vCutPaste, oMoved, oMoved},
    {kOddName, vCopyPaste, oCopied, oCopied},
    {kOddName, vDropMove, oMoved, oMoved},
    {kOddName, vDropLink, oLinked, oLinked},
    {kOddName, vTrash, oTrashed, oTrashed},
    {kOddName, vShiftDelete, oDeleted, oNone},
    {kOddName, vRename, oRenamed, oNone},
    {kNameTaken, vCutPaste, oRefused, oRefused, "is there already"},
    {kNameTaken, vCopyPaste, oRefused, oRefused, "is there already"},
    {kNameTaken, vDropCopy, oRefused, oRefused, "is there already"},
    {kNameTaken, vDropMove, oRefused, oRefused, "is there already"},
    {kNameTaken, vDropLink, oRefused, oRefused, "is there already"},
    {kOwnSubtree, vCutPaste, oRefused, oNone, "cannot go into itself"},
    {kOwnSubtree, vCopyPaste, oRefused, oNone, "cannot go into itself"},
    {kOwnSubtree, vDropCopy, oRefused, oNone, "cannot go into itself"},
    {kOwnSubtree, vDropMove, oRefused, oNone, "cannot go into itself"},
    {kReadOnlySub, vCutPaste, oMoved, oMoved, "not all of it could be removed", oNone, oMovedKept},
    {kReadOnlySub, vCopyPaste, oCopied, oCopied},
    {kReadOnlySub, vDropMove, oMoved, oMoved, "not all of it could be removed", oNone, oMovedKept},
    {kReadOnlySub, vTrash, oTrashed, oTrashed},
    {kReadOnlySub, vShiftDelete, oDeleted, oNone, "Cannot delete", oFailedKept},
};
// clang-format on

// Moves across file systems while the source changes: the change is made
// while the copy is held at the open of a file (the first one for a new
// entry; the second, when the first has been copied whole, for a file that
// grows or is replaced). Afterwards the copy is the source as it was, byte
// for byte; what appeared or changed is still in the source, whole; the
// user was told what stayed and why.
enum TChange { cAppears, cGrows, cReplaced };
enum TMover { mCutPaste, mDropMove, mHomeMove };
const char* ChangeName(TChange c) {
    static const char* names[] = {"a file appears", "a file grows", "a file is replaced"};
    return names[c];
}
const char* MoverName(TMover m) {
    static const char* names[] = {"cut+paste", "drop move", "home folder move"};
    return names[m];
}

struct TChangeRow {
    TChange Change;
    TMover Mover;
    const char* Why;  // what the user hears of each entry that stayed
};

// clang-format off
const TChangeRow kChangeRows[] = {
    {cAppears,  mCutPaste, "it appeared while it was copied"},
    {cAppears,  mDropMove, "it appeared while it was copied"},
    {cAppears,  mHomeMove, "it appeared while it was copied"},
    {cGrows,    mCutPaste, "it changed while it was copied"},
    {cGrows,    mDropMove, "it changed while it was copied"},
    {cGrows,    mHomeMove, "it changed while it was copied"},
    {cReplaced, mCutPaste, "it was replaced while it was copied"},
    {cReplaced, mDropMove, "it was replaced while it was copied"},
    {cReplaced, mHomeMove, "it was replaced while it was copied"},
};
// clang-format on

// The files below a folder and their bytes, by path below it.
std::map<std::string, std::string> FilesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& [rel, e] : Snap(folder))
        if (e.Type == 'f') files[rel.substr(1)] = e.Data;
    return files;
}

struct TCellResult {
    std::string Failure;  // "" when the cell came out as its row says
};

class TCellRunner {
public:
    TCellRunner(std::string fixture, bool asUser) : fixture_(std::move(fixture)), asUser_(asUser) {
        forms::SetMessageDlgHook([this](const forms::TMessageDlgRequest& r) {
            told_.push_back(r.Text);
            return forms::mrYes;
        });
    }
    ~TCellRunner() { forms::SetMessageDlgHook({}); }

    // Runs one cell; "" when it came out as expected, else what differed.
    std::string Run(const TRow& row, TPlace place, TOutcome expected, int number) {
        told_.clear();
        const std::string tag = "/c" + std::to_string(number);
        const std::string base = (place == pClosed ? fixture_ + "/closed/in" : place == pAcross && row.Verb == vTrash ? fixture_ + "/other" : fixture_ + "/one") + tag;
        const std::string src = base + "/src";
        const std::string dst = (place == pAcross && row.Verb != vTrash ? fixture_ + "/other" + tag : base) + "/dst";
        Folder(base);
        Folder(src);
        ::mkdir((dst.substr(0, dst.size() - 4)).c_str(), 0755);
        Folder(dst);
        const std::string name = MakeKind(row.Kind, src, dst);
        const std::string item = src + "/" + name;
        const std::string into = row.Kind == kOwnSubtree ? item + "/sub" : dst;
        const TSnapshot before = Snap(item), srcOthers = SnapWithout(src, name), dstBefore = Snap(into);
        Do(row.Verb, item, into);
        std::string failure;
        auto expect = [&](bool ok, const std::string& what) {
            if (!ok) failure += "  " + what + "\n";
        };
        auto same = [&](const std::string& where, const TSnapshot& want, const char* what) {
            const TSnapshot got = Snap(where);
            expect(got == want, std::string(what) + ": '" + PercentEncodePath(where) + "' holds\n" + Describe(got) +
                                    "  and should hold\n" + Describe(want));
        };
        const std::string told = Joined();
        const bool quiet = told_.empty();
        switch (expected) {
            case oMoved:
            case oRenamed:
                expect(!Exists(item), "the source is still there");
                same(expected == oRenamed ? src + "/renamed" : dst + "/" + name, before, "the moved item");
                expect(quiet, "the user was told: " + told);
                break;
            case oCopied:
                same(item, before, "the source");
                same(dst + "/" + name, before, "the copy");
                expect(quiet, "the user was told: " + told);
                break;
            case oLinked: {
                same(item, before, "the source");
                TSnapshot link = Snap(dst + "/" + name);
                expect(link.size() == 1 && link[""].Type == 'l' && link[""].Data == item, "no link to the item in dst");
                expect(quiet, "the user was told: " + told);
                break;
            }
            case oTrashed: {
                expect(!Exists(item), "the source is still there");
                const bool topTrash = place != pOne;
                const std::string trash = topTrash ? fixture_ + "/other/.Trash-" + std::to_string(::geteuid())
                                                   : fixture_ + "/one/home/.local/share/Trash";
                const std::string recorded = topTrash ? item.substr(fixture_.size() + 7) : item;
                const std::string entry = TrashEntryOf(trash, recorded);
                expect(!entry.empty(), "no info file in " + trash + " records " + PercentEncodePath(recorded));
                same(trash + "/files/" + entry, before, "the Trash's copy");
                expect(quiet, "the user was told: " + told);
                break;
            }
            case oDeleted:
                expect(!Exists(item), "the item is still there");
                expect(quiet, "the user was told: " + told);
                break;
            case oRefused:
                same(item, before, "the source");
                same(into, dstBefore, "the target folder");
                expect(told.find(row.Told) != std::string::npos, "the user was told \"" + told + "\", not of: " + row.Told);
                break;
            case oMovedKept:
                same(dst + "/" + name, before, "the copy");
                expect(Exists(item + "/inner/deep.txt"), "what could not be removed is gone");
                expect(told.find(row.Told) != std::string::npos, "the user was told \"" + told + "\", not of: " + row.Told);
                break;
            case oTrashedKept: {
                const std::string trash = fixture_ + "/one/home/.local/share/Trash";
                const std::string entry = TrashEntryOf(trash, item);
                expect(!entry.empty(), "no info file in " + trash + " records " + PercentEncodePath(item));
                same(trash + "/files/" + entry, before, "the Trash's copy");
                expect(Exists(item + "/inner/deep.txt"), "what could not be removed is gone");
                expect(told.find(row.Told) != std::string::npos, "the user was told \"" + told + "\", not of: " + row.Told);
                break;
            }
            case oFailedKept:
                expect(Exists(item + "/inner/deep.txt"), "what could not be removed is gone");
                expect(told.find(row.Told) != std::string::npos, "the user was told \"" + told + "\", not of: " + row.Told);
                break;
            case oNone: break;
        }
        // Nothing else in the source's folder changed: a link's target, a
        // sibling whose name differs by one byte.
        TSnapshot others = SnapWithout(src, name);
        if (expected == oRenamed)
            for (auto i = others.begin(); i != others.end();)
                i = i->first.rfind("/renamed", 0) == 0 ? others.erase(i) : std::next(i);
        expect(others == srcOthers,
               "something else in the source folder changed:\n" + Describe(others) + "  was\n" + Describe(srcOthers));
        return failure;
    }

    // Runs one row of the changing table; "" when it came out as it should.
    std::string RunChanging(const TChangeRow& row, int number) {
        told_.clear();
        const std::string tag = "/m" + std::to_string(number);
        const std::string src = fixture_ + "/one" + tag, dst = fixture_ + "/other" + tag, w = src + "/w";
        Folder(src);
        Folder(dst);
        Folder(w);
        // Two files of one size and time: a replacement of either with the
        // same size and time differs only in being another file.
        File(w + "/log.txt", "first line\n", 0640);
        File(w + "/z.txt", "zzzzz zzzz\n", 0600);
        Stamp(w);
        const TSnapshot before = Snap(w);
        std::map<std::string, std::string> stays;  // what the change leaves in the source
        TOpenGate gate({w + "/log.txt", w + "/z.txt"}, row.Change == cAppears ? 1 : 2, [&](const std::string& first) {
            const std::string name = first.substr(first.rfind('/') + 1);
            switch (row.Change) {
                case cAppears:
                    File(w + "/new.txt", "fresh\n", 0644);
                    Folder(w + "/later");
                    File(w + "/later/deep.txt", "deep\n", 0644);
                    stays = {{"new.txt", "fresh\n"}, {"later/deep.txt", "deep\n"}};
                    break;
                case cGrows:
                    std::ofstream(first, std::ios::binary | std::ios::app) << "second line\n";
                    stays = {{name, before.at("/" + name).Data + "second line\n"}};
                    break;
                case cReplaced:
                    File(w + "/.swap", "other line\n", 0640);
                    ::rename((w + "/.swap").c_str(), first.c_str());
                    stays = {{name, "other line\n"}};
                    break;
            }
        });
        if (!gate.Armed()) return "  the copy cannot be held here (no file access notification)\n";
        std::vector<std::string> homeStayed;
        switch (row.Mover) {
            case mCutPaste: Do(vCutPaste, w, dst); break;
            case mDropMove: Do(vDropMove, w, dst); break;
            case mHomeMove: homeStayed = homemove::MoveHomeContents(src + "/", dst + "/"); break;
        }
        std::string failure;
        auto expect = [&](bool ok, const std::string& what) {
            if (!ok) failure += "  " + what + "\n";
        };
        expect(gate.Acted(), "the copy never opened the files it was held at");
        const TSnapshot copy = Snap(dst + "/w");
        expect(copy == before, "the copy holds\n" + Describe(copy) + "  and should hold the source as it was\n" + Describe(before));
        const std::map<std::string, std::string> left = FilesBelow(w);
        std::string leftText, staysText;
        for (const auto& [rel, data] : left) leftText += "  " + rel + " '" + PercentEncodePath(data) + "'\n";
        for (const auto& [rel, data] : stays) staysText += "  " + rel + " '" + PercentEncodePath(data) + "'\n";
        expect(left == stays, "the source holds\n" + leftText + "  and should hold what changed, whole\n" + staysText);
        // One message (or the home move's list) names each entry that stayed and why.
        std::string told = Joined();
        for (const std::string& line : homeStayed) told += line + "\n";
        expect(row.Mover == mHomeMove ? told_.empty() : told_.size() == 1, "the user was told in " + std::to_string(told_.size()) + " messages");
        for (const auto& [rel, data] : stays) {
            const std::string entry = rel.substr(0, rel.find('/'));  // a new folder stays as a whole
            const std::string named = row.Mover == mHomeMove ? "w/" + entry + ": " + row.Why
                                                             : "\"" + w + "/" + entry + "\": " + row.Why;
            expect(told.find(named) != std::string::npos, "the user was told \"" + told + "\", not: " + named);
        }
        return failure;
    }

private:
    std::string Joined() const {
        std::string all;
        for (const std::string& t : told_) all += t + "\n";
        return all;
    }

    void Do(TVerb verb, const std::string& item, const std::string& into) {
        switch (verb) {
            case vCutPaste:
            case vCopyPaste:
                InvokeVerb({item}, verb == vCutPaste ? "cut" : "copy");
                InvokeVerb({into}, "paste");
                break;
            case vDropCopy:
            case vDropMove:
            case vDropLink: {
                const uint32_t effect = verb == vDropCopy ? DROPEFFECT_COPY : verb == vDropMove ? DROPEFFECT_MOVE : DROPEFFECT_LINK;
                TellProblems(DropInto({item}, into, effect).Problems);
                break;
            }
            case vTrash: InvokeVerb({item}, "delete"); break;
            case vShiftDelete: InvokeVerb({item}, "delete", true); break;
            case vRename: {
                const size_t slash = item.rfind('/');
                PItemIDList folderList = nullptr;
                ASSERT_TRUE(SUCCEEDED(PidlFromPath(item.substr(0, slash), folderList)));
                PidlPtr keep(folderList);
                ShellFolderPtr folder;
                ASSERT_TRUE(SUCCEEDED(BindFolderOfPidl(folderList, folder)));
                struct stat st {};
                ::stat(item.c_str(), &st);
                PidlPtr rel(PidlFromBytes(MakeSegment(S_ISDIR(st.st_mode) ? skFolder : skFile, item.substr(slash + 1))));
                PItemIDList renamed = nullptr;
                if (FAILED(folder->SetNameOf(0, rel.get(), u"renamed", 0, renamed))) told_.push_back("rename failed");
                ShellFree(renamed);
                break;
            }
        }
    }

    std::string fixture_;
    bool asUser_;
    std::vector<std::string> told_;
};

// Runs a shell command; its exit status.
int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

// The cells themselves: run only inside the namespace that
// FolderVerbMatrix.OnOneFileSystemAndAcrossTwo makes.
TEST(FolderVerbMatrixCells, Run) {
    const char* fixture = std::getenv(kFixtureVar);
    if (!fixture) GTEST_SKIP() << "runs only as the child of FolderVerbMatrix.OnOneFileSystemAndAcrossTwo";
    const bool asUser = std::getenv(kUserVar) != nullptr;
    if (asUser) {
        // The test program's own configuration folder goes with the user.
        if (const char* config = std::getenv("XDG_CONFIG_HOME")) {
            ASSERT_EQ(::chown(config, kNobody, kNobody), 0);
        }
        ASSERT_EQ(::setgroups(0, nullptr), 0);
        ASSERT_EQ(::setresgid(kNobody, kNobody, kNobody), 0);
        ASSERT_EQ(::setresuid(kNobody, kNobody, kNobody), 0);
    }
    const std::string root = fixture;
    setenv("HOME", (root + "/one/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/one/home/.local/share").c_str(), 1);
    TCellRunner runner(root, asUser);
    int number = 0;
    for (const TRow& row : kRows) {
        for (TPlace place : {pOne, pAcross}) {
            TOutcome expected = place == pOne ? row.One : row.Across;
            const TOutcome asUserExpected = place == pOne ? row.OneAsUser : row.AcrossAsUser;
            if (asUser && asUserExpected != oNone) expected = asUserExpected;
            if (expected == oNone) continue;
            SCOPED_TRACE(std::string(KindName(row.Kind)) + ", " + VerbName(row.Verb) +
                         (place == pOne ? ", one file system" : ", across two") + (asUser ? ", as nobody" : ", as root"));
            const std::string failure = runner.Run(row, place, expected, ++number);
            EXPECT_EQ(failure, "");
        }
    }
    // Moves across while the source changes; holding the copy at a file's
    // open takes the administrator's rights.
    if (!asUser) {
        for (const TChangeRow& row : kChangeRows) {
            SCOPED_TRACE(std::string(MoverName(row.Mover)) + " across two, while " + ChangeName(row.Change));
            EXPECT_EQ(runner.RunChanging(row, ++number), "");
        }
    }
    // The Trash of a file system whose top folder the user may not write:
    // the item is copied whole into the home Trash; what cannot be removed
    // stays, and the Trash entry keeps its info file.
    if (asUser) {
        SCOPED_TRACE("read-only subfolder, Trash, a file system without a Trash of its own, as nobody");
        EXPECT_EQ(runner.Run({kReadOnlySub, vTrash, oNone, oNone, "not all of it could be removed"}, pClosed, oTrashedKept, ++number), "");
    }
}

TEST(FolderVerbMatrix, OnOneFileSystemAndAcrossTwo) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting the second file system (a tmpfs) needs root";
    if (Shell("unshare -m --propagation private true 2>/dev/null") != 0)
        GTEST_SKIP() << "no private mount namespace can be made here";
    for (bool asUser : {false, true}) {
        SCOPED_TRACE(asUser ? "as nobody" : "as root");
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string root = dir.path().toStdString();
        ASSERT_EQ(Shell("mkdir -p " + Quoted(root) + "/one/home " + Quoted(root) + "/other " + Quoted(root) + "/closed"), 0);
        if (asUser) {
            ASSERT_EQ(Shell("chown -R 65534:65534 " + Quoted(root)), 0);
        }
        char self[4096];
        const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
        ASSERT_GT(n, 0);
        self[n] = 0;
        const std::string out = root + ".log";
        const std::string command =
            std::string(kFixtureVar) + "=" + Quoted(root) + (asUser ? std::string(" ") + kUserVar + "=1" : "") +
            " unshare -m --propagation private sh -c " +
            Quoted("mount -t tmpfs -o mode=1777 tmpfs \"$1/other\" && mount -t tmpfs -o mode=0755 tmpfs \"$1/closed\" && "
                   "mkdir \"$1/closed/in\" && chown " + std::string(asUser ? "65534:65534" : "0:0") +
                   " \"$1/closed/in\" && exec \"$2\" --gtest_filter=FolderVerbMatrixCells.Run") +
            " sh " + Quoted(root) + " " + Quoted(self) + " >" + Quoted(out) + " 2>&1";
        const int status = Shell(command);
        std::ifstream in(out);
        std::stringstream log;
        log << in.rdbuf();
        std::remove(out.c_str());
        EXPECT_EQ(status, 0) << log.str();
        EXPECT_NE(log.str().find("[  PASSED  ] 1 test"), std::string::npos) << log.str();
        // Read-only folders and names that are no UTF-8 are beyond the
        // temporary folder's own removal.
        Shell("rm -rf " + Quoted(root) + "/*");
    }
}
