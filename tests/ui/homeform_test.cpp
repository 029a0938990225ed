// Changing the home folder to another file system while the server runs:
// the copy keeps the files' times, and web clients are answered throughout.
#include <gtest/gtest.h>

#include <QTimer>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/recordfiles.h"
#include "core/records.h"
#include "platform/rawpeer.h"
#include "ui/homeform.h"
#include "windowtest.h"

namespace {

constexpr int kFiles = 20000;
constexpr time_t kOldTime = 1000000000;  // 2001: what a fresh copy would not get
constexpr auto kAnswerWithin = std::chrono::seconds(1);

// One GET on a fresh connection: how long until the reply has come whole;
// a failure counts as too long.
std::chrono::steady_clock::duration Fetch(int port) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string request = "GET /index.htm HTTP/1.0\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) reply.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    if (reply.find("served") == std::string::npos) return std::chrono::hours(1);
    return std::chrono::steady_clock::now() - start;
}

class HomeMoveAcross : public DialogWindowTest {
protected:
    void PrepareFolder() override {
        core::tuseraccount bob;
        bob.UserName = "bob";
        std::string bytes;
        core::AppendRecord(bob, bytes);
        std::ofstream(dir_ + "/" + core::kAccountsFile, std::ios::binary) << bytes;
        ::mkdir((dir_ + "/wwwroot").c_str(), 0755);
        std::ofstream(dir_ + "/wwwroot/index.htm") << "served";
        ::mkdir((dir_ + "/home").c_str(), 0755);
        ::mkdir((dir_ + "/home/bob").c_str(), 0755);
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = dir_ + "/home/bob/f" + std::to_string(i);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0640);
            ::write(fd, "x", 1);
            const timespec times[2] = {{kOldTime, 0}, {kOldTime + i, 0}};
            ::futimens(fd, times);
            ::close(fd);
        }
        const timespec times[2] = {{kOldTime, 0}, {kOldTime, 0}};
        ::utimensat(AT_FDCWD, (dir_ + "/home/bob").c_str(), times, 0);
    }
    void TearDown() override {
        if (!other_.empty()) std::system(("rm -rf '" + other_ + "'").c_str());
        DialogWindowTest::TearDown();
    }
    std::string other_;  // the new home, on another file system
};

TEST_F(HomeMoveAcross, KeepsTimesAndServesThroughout) {
    char tmpl[] = "/dev/shm/quillnest-home-XXXXXX";
    struct stat here {}, there {};
    if (::mkdtemp(tmpl) == nullptr) GTEST_SKIP() << "no /dev/shm to move to";
    other_ = tmpl;
    ASSERT_EQ(::stat(dir_.c_str(), &here), 0);
    ASSERT_EQ(::stat(other_.c_str(), &there), 0);
    if (here.st_dev == there.st_dev) GTEST_SKIP() << "/dev/shm is on the test folder's file system";

    const int port = UnusedPort();
    form_->webport->SetText(std::to_string(port));
    form_->webenabled->SetChecked(true);
    form_->Timer1Timer(form_->Timer1);
    ASSERT_TRUE(form_->HttpListener.Listening);

    std::atomic<bool> moving{true};
    std::atomic<int> answered{0};
    std::chrono::steady_clock::duration slowest{};
    std::atomic<bool> stopped{false};
    std::thread client([&] {
        while (moving) {
            slowest = std::max(slowest, Fetch(port));
            ++answered;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        stopped = true;
    });
    answer_ = forms::mrYes;  // move the contents
    QTimer::singleShot(0, [&] {
        homeform->hdir->SetText(other_);
        homeform->ok->Click();
    });
    form_->changehomeClick(nullptr);
    moving = false;
    while (!stopped) forms::Application().ProcessMessages();  // the last request is served too
    client.join();

    EXPECT_EQ(form_->HomeDir, other_ + "/");
    ASSERT_EQ(boxes_.size(), 1u) << boxes_.back();
    EXPECT_GT(answered.load(), 1) << "the client was answered during the move";
    EXPECT_LT(slowest, kAnswerWithin) << std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count() << " ms";
    struct stat st {};
    for (int i : {0, kFiles / 2, kFiles - 1}) {
        const std::string name = other_ + "/bob/f" + std::to_string(i);
        ASSERT_EQ(::stat(name.c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mtim.tv_sec, kOldTime + i) << name;
        EXPECT_EQ(st.st_mode & 07777, 0640u) << name;
    }
    ASSERT_EQ(::stat((other_ + "/bob").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, kOldTime) << "the folder keeps its time too";
    EXPECT_NE(::stat((dir_ + "/home/bob").c_str(), &st), 0) << "the original goes once the copy is whole";
}

}  // namespace
