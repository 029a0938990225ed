#include "netunit/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "netunit/tempdir.h"

using namespace netunit;

namespace {

std::string ReadAll(tfilehandle& f) {
    std::string out;
    char buf[7];  // an odd block size crosses every boundary
    for (;;) {
        int count = sizeof buf;
        if (FileReadBlock(f, buf, count) == 0) break;
        out.append(buf, static_cast<size_t>(count));
    }
    return out;
}

bool IsCloseOnExec(int fd) { return (::fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0; }

}  // namespace

TEST(FileLayerBinary, CreateWriteSeekReadRoundTrip) {
    TempDir dir;
    const std::string name = dir / "a/b/c/data.bin";  // three missing folders
    tfilehandle f;
    ASSERT_TRUE(FileCreateForWrite(f, name));
    EXPECT_EQ(f.Mode, 1);
    EXPECT_TRUE(IsCloseOnExec(f.Handle));
    const std::string bytes("hello\0world\x1A tail", 18);
    ASSERT_TRUE(FileWriteBlock(f, bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_EQ(FileSize64(f), 18);
    EXPECT_EQ(FilePosition64(f), 18);
    EXPECT_TRUE(FileAtEnd(f));
    ASSERT_TRUE(FileCloseHandle(f));
    EXPECT_EQ(f.Handle, -1);

    int64_t openedSize = -1;
    ASSERT_TRUE(FileOpenForRead(f, name, &openedSize));
    EXPECT_EQ(openedSize, 18) << "the size the open learnt";
    EXPECT_EQ(f.Mode, 0);
    EXPECT_TRUE(IsCloseOnExec(f.Handle));
    EXPECT_FALSE(FileAtEnd(f));
    EXPECT_EQ(ReadAll(f), bytes);
    EXPECT_TRUE(FileAtEnd(f));
    int count = 10;
    char buf[10];
    EXPECT_EQ(FileReadBlock(f, buf, count), 0);
    EXPECT_EQ(count, 0);
    ASSERT_TRUE(FileSeek64(f, 6));
    EXPECT_EQ(FilePosition64(f), 6);
    count = 5;
    EXPECT_EQ(FileReadBlock(f, buf, count), 5);
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_FALSE(FileSeek64(f, -1));
    FileCloseHandle(f);
}

TEST(FileLayerBinary, CreateEmptiesAnExistingFile) {
    TempDir dir;
    const std::string name = dir.Write("old.txt", "previous content");
    tfilehandle f;
    ASSERT_TRUE(FileCreateForWrite(f, name));
    EXPECT_EQ(FileSize64(f), 0);
    FileCloseHandle(f);
}

TEST(FileLayerBinary, AppendPositionsAtEndOrAtTheGivenOffset) {
    TempDir dir;
    const std::string name = dir.Write("log.txt", "0123456789");
    tfilehandle f;
    ASSERT_TRUE(FileOpenForAppend(f, name, 0));
    EXPECT_EQ(f.Mode, 1);
    EXPECT_EQ(FilePosition64(f), 10);
    ASSERT_TRUE(FileWriteBlock(f, "AB", 2));
    FileCloseHandle(f);
    EXPECT_EQ(TempDir::Read(name), "0123456789AB");

    ASSERT_TRUE(FileOpenForAppend(f, name, 4));  // a restart offset
    ASSERT_TRUE(FileWriteBlock(f, "xy", 2));
    FileCloseHandle(f);
    EXPECT_EQ(TempDir::Read(name), "0123xy6789AB");
}

TEST(FileLayerBinary, FailedOpensLeaveTheRecordAlone) {
    TempDir dir;
    tfilehandle f{1234, 7};
    EXPECT_FALSE(FileOpenForRead(f, dir / "missing"));
    EXPECT_FALSE(FileOpenForAppend(f, dir / "missing", 0));
    EXPECT_FALSE(FileCreateForWrite(f, dir.Path()));  // a folder
    EXPECT_EQ(f.Handle, 1234);
    EXPECT_EQ(f.Mode, 7);
}

TEST(FileLayerBinary, AppendWithAnUnreachablePositionClosesAgain) {
    TempDir dir;
    const std::string name = dir.Write("f", "abc");
    tfilehandle f;
    EXPECT_FALSE(FileOpenForAppend(f, name, -5));
    EXPECT_EQ(f.Handle, -1);
    // Nothing stays registered: the file can be opened for writing again.
    ASSERT_TRUE(FileOpenForAppend(f, name, 0));
    FileCloseHandle(f);
}

TEST(FileLayerBinary, SizesAndOffsetsBeyondFourGigabytes) {
    TempDir dir;
    const std::string name = dir / "big.bin";
    const int64_t fiveGiB = int64_t{5} << 30;
    tfilehandle f;
    ASSERT_TRUE(FileCreateForWrite(f, name));
    ASSERT_TRUE(FileSeek64(f, fiveGiB));  // sparse: costs no disk
    ASSERT_TRUE(FileWriteBlock(f, "z", 1));
    EXPECT_EQ(FilePosition64(f), fiveGiB + 1);
    EXPECT_EQ(FileSize64(f), fiveGiB + 1);
    FileCloseHandle(f);
    EXPECT_EQ(FileSizeByName(name), fiveGiB + 1);

    ASSERT_TRUE(FileOpenForAppend(f, name, fiveGiB));
    EXPECT_EQ(FilePosition64(f), fiveGiB);
    FileCloseHandle(f);
}

// A record closed twice, or one holding a number the layer never opened,
// must not close a descriptor that now belongs to someone else.
TEST(FileLayerBinary, ASecondCloseClosesNothingElse) {
    TempDir dir;
    const std::string a = dir.Write("a", "A");
    tfilehandle first;
    ASSERT_TRUE(FileOpenForRead(first, a));
    const int number = first.Handle;
    ASSERT_TRUE(FileCloseHandle(first));

    const int other = ::open("/dev/null", O_RDONLY | O_CLOEXEC);  // takes the freed number
    ASSERT_EQ(other, number);
    first.Handle = number;  // a stale copy of the record
    EXPECT_FALSE(FileCloseHandle(first));
    EXPECT_NE(::fcntl(other, F_GETFD), -1) << "the other descriptor must still be open";
    ::close(other);
}

// Anything that is not a regular file is refused, and at once: a FIFO in a
// served folder must not hold the main thread.
TEST(FileLayerNonRegular, FifoDeviceAndFolderAreRefusedWithoutBlocking) {
    TempDir dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Row {
        const char* what;
        std::function<bool(const std::string&)> open;
    };
    const Row rows[] = {
        {"FileOpenForRead", [](const std::string& n) { tfilehandle f; return FileOpenForRead(f, n); }},
        {"FileOpenForAppend", [](const std::string& n) { tfilehandle f; return FileOpenForAppend(f, n, 0); }},
        {"FileCreateForWrite", [](const std::string& n) { tfilehandle f; return FileCreateForWrite(f, n); }},
        {"TextReset", [](const std::string& n) { TTextFile t; return TextReset(t, n); }},
        {"TextAppend", [](const std::string& n) { TTextFile t; return TextAppend(t, n); }},
        {"TextRewrite", [](const std::string& n) { TTextFile t; return TextRewrite(t, n); }},
        {"ReadWholeFile", [](const std::string& n) { std::string b; return ReadWholeFile(n, b); }},
    };
    for (const Row& row : rows) {
        for (const std::string& name : {fifo, std::string("/dev/null"), dir.Path()}) {
            SCOPED_TRACE(std::string(row.what) + " on " + name);
            auto result = std::async(std::launch::async, row.open, name);
            if (result.wait_for(std::chrono::seconds(2)) != std::future_status::ready) {
                // Unblock the stuck open so that the test can report instead of hanging.
                const int other = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
                result.wait();
                ::close(other);
                ADD_FAILURE() << "the open blocked";
                continue;
            }
            EXPECT_FALSE(result.get());
        }
    }
    EXPECT_EQ(FileSizeByName(fifo), -1);
}

// The sharing rules between the server's own opens, one row per pair.
TEST(FileLayerSharing, RulesAsATable) {
    enum Held { kHeldRead, kHeldWrite, kHeldTextRead, kHeldTextWrite };
    enum Action {
        kOpenRead, kOpenAppend, kCreate, kRename, kDelete, kReadWhole, kWriteAtomic, kTextReset,
        kTextRewrite, kTextAppend
    };
    struct Row {
        Held held;
        Action action;
        bool allowed;
        const char* why;
    };
    const Row rows[] = {
        {kHeldRead, kOpenRead, true, "readers share"},
        {kHeldRead, kOpenAppend, false, "no writer beside a reader"},
        {kHeldRead, kCreate, false, "no truncation under a reader"},
        {kHeldRead, kRename, false, "no rename under a reader"},
        {kHeldRead, kDelete, false, "no delete under a reader"},
        {kHeldRead, kReadWhole, true, "readers share"},
        {kHeldRead, kWriteAtomic, true, "a deliberate rewrite replaces the name only"},
        {kHeldRead, kTextReset, true, "readers share"},
        {kHeldRead, kTextRewrite, false, "no truncation under a reader"},
        {kHeldRead, kTextAppend, false, "no writer beside a reader"},
        {kHeldWrite, kOpenRead, false, "a file open for writing is not opened again"},
        {kHeldWrite, kOpenAppend, false, "one writer"},
        {kHeldWrite, kCreate, false, "one writer"},
        {kHeldWrite, kRename, false, "no rename while open"},
        {kHeldWrite, kDelete, false, "no delete while open"},
        {kHeldWrite, kReadWhole, false, "a file open for writing is not opened again"},
        {kHeldWrite, kWriteAtomic, false, "the writer's data would be lost"},
        {kHeldWrite, kTextReset, false, "a file open for writing is not opened again"},
        {kHeldTextRead, kOpenAppend, false, "text readers count as readers"},
        {kHeldTextRead, kOpenRead, true, "readers share"},
        {kHeldTextWrite, kOpenRead, false, "text writers count as writers"},
        {kHeldTextWrite, kDelete, false, "no delete while open"},
    };
    const std::string original = "original content";
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.why) + " (row " + std::to_string(&row - rows) + ")");
        TempDir dir;
        const std::string name = dir.Write("shared.txt", original);
        tfilehandle held;
        TTextFile heldText;
        switch (row.held) {
            case kHeldRead: ASSERT_TRUE(FileOpenForRead(held, name)); break;
            case kHeldWrite: ASSERT_TRUE(FileOpenForAppend(held, name, 0)); break;
            case kHeldTextRead: ASSERT_TRUE(TextReset(heldText, name)); break;
            case kHeldTextWrite: ASSERT_TRUE(TextAppend(heldText, name)); break;
        }
        bool done = false;
        tfilehandle f;
        TTextFile t;
        std::string bytes;
        switch (row.action) {
            case kOpenRead: done = FileOpenForRead(f, name); break;
            case kOpenAppend: done = FileOpenForAppend(f, name, 0); break;
            case kCreate: done = FileCreateForWrite(f, name); break;
            case kRename: done = FileRename(name, dir / "renamed.txt"); break;
            case kDelete: done = FileDelete(name); break;
            case kReadWhole: done = ReadWholeFile(name, bytes); break;
            case kWriteAtomic: done = WriteFileAtomic(name, "new"); break;
            case kTextReset: done = TextReset(t, name); break;
            case kTextRewrite: done = TextRewrite(t, name); break;
            case kTextAppend: done = TextAppend(t, name); break;
        }
        EXPECT_EQ(done, row.allowed);
        if (!done) {
            EXPECT_EQ(TempDir::Read(name), original) << "a refusal must leave the file as it was";
        }
        if (f.Handle >= 0) FileCloseHandle(f);
        TextClose(t);
        if (held.Handle >= 0) FileCloseHandle(held);
        TextClose(heldText);
        // Once everything is closed, the file can be held for writing again.
        if (std::filesystem::exists(name)) {
            tfilehandle after;
            EXPECT_TRUE(FileOpenForAppend(after, name, 0));
            FileCloseHandle(after);
        }
    }
}

TEST(FileLayerSharing, TwoNamesOfOneFileShareOneEntry) {
    TempDir dir;
    const std::string name = dir.Write("a.txt", "x");
    const std::string link = dir / "b.txt";
    ASSERT_EQ(::link(name.c_str(), link.c_str()), 0);
    tfilehandle writer;
    ASSERT_TRUE(FileOpenForAppend(writer, name, 0));
    tfilehandle reader;
    EXPECT_FALSE(FileOpenForRead(reader, link));
    EXPECT_FALSE(FileOpenForRead(reader, dir.Path() + "sub/../a.txt"));
    FileCloseHandle(writer);
    EXPECT_TRUE(FileOpenForRead(reader, link));
    FileCloseHandle(reader);
}

TEST(FileLayerNames, RenameNeverReplacesAnExistingTarget) {
    TempDir dir;
    const std::string from = dir.Write("from.txt", "from");
    const std::string to = dir.Write("to.txt", "to");
    EXPECT_FALSE(FileRename(from, to));
    EXPECT_EQ(TempDir::Read(from), "from");
    EXPECT_EQ(TempDir::Read(to), "to");

    ASSERT_TRUE(std::filesystem::create_directory(dir / "sub"));
    EXPECT_TRUE(FileRename(from, dir / "sub/moved.txt"));
    EXPECT_EQ(TempDir::Read(dir / "sub/moved.txt"), "from");
    EXPECT_FALSE(std::filesystem::exists(from));

    ASSERT_TRUE(std::filesystem::create_directory(dir / "other"));
    EXPECT_FALSE(FileRename(dir / "sub", dir / "other")) << "an existing folder is a target too";
    EXPECT_TRUE(FileRename(dir / "sub", dir / "renamed"));
    EXPECT_TRUE(std::filesystem::exists(dir / "renamed/moved.txt"));
    EXPECT_FALSE(FileRename(dir / "missing", dir / "x"));
}

TEST(FileLayerNames, DeleteTakesFilesOnly) {
    TempDir dir;
    const std::string name = dir.Write("f", "1");
    ASSERT_TRUE(std::filesystem::create_directory(dir / "folder"));
    EXPECT_FALSE(FileDelete(dir / "folder"));
    EXPECT_FALSE(FileDelete(dir / "missing"));
    EXPECT_TRUE(FileDelete(name));
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(FileLayerWholeFiles, RoundTripKeepsEveryByte) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
    const std::string name = dir / "records.dat";
    ASSERT_TRUE(WriteFileAtomic(name, bytes));
    std::string back = "junk";
    ASSERT_TRUE(ReadWholeFile(name, back));
    EXPECT_EQ(back, bytes);
    ASSERT_TRUE(WriteFileAtomic(name, ""));
    ASSERT_TRUE(ReadWholeFile(name, back));
    EXPECT_EQ(back, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no temporary file is left beside the target";
}

TEST(FileLayerWholeFiles, ReadingAMissingFileFailsWithNoBytes) {
    TempDir dir;
    std::string bytes = "stale";
    EXPECT_FALSE(ReadWholeFile(dir / "missing", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(FileLayerWholeFiles, AFailedRewriteKeepsTheOldFileAndLeavesNoTemporary) {
    TempDir dir;
    // The target is a folder: the final rename fails after the data was written.
    ASSERT_TRUE(std::filesystem::create_directory(dir / "target"));
    dir.Write("target/inside", "keep");
    EXPECT_FALSE(WriteFileAtomic(dir / "target", "new"));
    EXPECT_EQ(TempDir::Read(dir / "target/inside"), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    // A missing folder: nothing can be created.
    EXPECT_FALSE(WriteFileAtomic(dir / "nofolder/file", "x"));
}

TEST(FileLayerWholeFiles, RewriteKeepsThePermissionBits) {
    TempDir dir;
    const std::string name = dir.Write("keystore", "secret");
    ASSERT_EQ(::chmod(name.c_str(), 0600), 0);
    ASSERT_TRUE(WriteFileAtomic(name, "new secret"));
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(TempDir::Read(name), "new secret");
}

// Private files are made for their owner alone and narrowed when rewritten,
// never widened; shared files keep the mode they had.
TEST(FileLayerAccess, PrivateFilesAreNarrowedAndNeverWidened) {
    const mode_t umaskWas = ::umask(022);
    struct Row {
        const char* what;
        int before;  // -1: no such file yet
        netunit::FileAccess access;
        int after;
    } rows[] = {
        {"new private file", -1, netunit::FileAccess::Private, 0600},
        {"world-readable private file", 0644, netunit::FileAccess::Private, 0600},
        {"group-writable private file", 0664, netunit::FileAccess::Private, 0600},
        {"read-only private file", 0400, netunit::FileAccess::Private, 0400},
        {"new shared file", -1, netunit::FileAccess::Shared, 0644},
        {"shared file", 0640, netunit::FileAccess::Shared, 0640},
    };
    const std::function<bool(const std::string&, netunit::FileAccess)> writers[] = {
        [](const std::string& name, netunit::FileAccess a) { return netunit::WriteFileAtomic(name, "x", a); },
        [](const std::string& name, netunit::FileAccess a) {
            netunit::tfilehandle f;
            return netunit::FileCreateForWrite(f, name, a) && netunit::FileCloseHandle(f);
        },
        [](const std::string& name, netunit::FileAccess a) {
            netunit::TTextFile t;
            const bool ok = netunit::TextRewrite(t, name, a);
            netunit::TextClose(t);
            return ok;
        },
    };
    for (size_t w = 0; w < std::size(writers); ++w)
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(r.what) + ", writer " + std::to_string(w));
            TempDir dir;
            const std::string name = dir / "f";
            if (r.before >= 0) {
                dir.Write("f", "old");
                ::chmod(name.c_str(), static_cast<mode_t>(r.before));
            }
            if (r.before == 0400 && w > 0) continue;  // opened for writing in place: root alone could
            ASSERT_TRUE(writers[w](name, r.access));
            struct stat st {};
            ASSERT_EQ(::stat(name.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(r.after));
        }
    ::umask(umaskWas);
}

TEST(FileLayerAccess, PrivateFoldersAreMadeOrNarrowed) {
    TempDir dir;
    ASSERT_TRUE(netunit::EnsurePrivateFolder((dir / "new").c_str()));
    ::mkdir((dir / "old").c_str(), 0755);
    ASSERT_TRUE(netunit::EnsurePrivateFolder((dir / "old").c_str()));
    ::mkdir((dir / "narrow").c_str(), 0500);
    ASSERT_TRUE(netunit::EnsurePrivateFolder((dir / "narrow").c_str()));
    struct stat st {};
    for (const auto& [name, mode] : {std::pair{"new", 0700}, {"old", 0700}, {"narrow", 0500}}) {
        ASSERT_EQ(::stat((dir / name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(mode)) << name;
    }
    EXPECT_FALSE(netunit::EnsurePrivateFolder((dir / "missing/inner").c_str()));
    ::chmod((dir / "narrow").c_str(), 0700);
}
