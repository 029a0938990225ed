// One rule for a folder typed or stored without a leading "/": it is taken
// from the program's folder, never from the folder the program was started
// in. Each place that reads such a text is run from a working folder that
// holds a decoy of the same name.
#include <gtest/gtest.h>

#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>

#include "core/session.h"
#include "ftp/ftpsettings.h"
#include "ftp/virtualtree.h"
#include "http/urlmap.h"
#include "netunit/paths.h"
#include "ui/dirform.h"
#include "ui/domainproperties.h"
#include "ui/homeform.h"
#include "ui/protocolsettings.h"
#include "windowtest.h"

namespace {

class RelativeFolders : public DialogWindowTest {
protected:
    void SetUp() override {
        DialogWindowTest::SetUp();
        char tmpl[] = "/tmp/quillnest-elsewhere-XXXXXX";
        elsewhere_ = mkdtemp(tmpl);
        ::mkdir((elsewhere_ + "/users").c_str(), 0755);
        std::ofstream(elsewhere_ + "/users/f.txt") << "the decoy";
        saved_ = ::getcwd(nullptr, 0);
        ASSERT_EQ(::chdir(elsewhere_.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(::chdir(saved_), 0);
        free(saved_);
        std::system(("rm -rf '" + elsewhere_ + "'").c_str());
        DialogWindowTest::TearDown();
    }
    // Runs steps while the modal dialog that start opens is up.
    static void While(const std::function<void()>& start, const std::function<void()>& steps) {
        QTimer::singleShot(0, steps);
        start();
    }
    void AddDomain(const std::string& root) {
        auto d = std::make_unique<core::twebdomain>();
        d->DomainName = "site.test";
        d->LocalRoot = root;
        form_->WebDomainList.push_back(std::move(d));
    }

    std::string elsewhere_;
    char* saved_ = nullptr;
};

// options.ini with one line in [accounts], as the program stores it.
std::string HomeIni(const std::u16string& folder) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : u"[accounts]\r\nhomedir=" + folder + u"\r\n") {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST_F(RelativeFolders, EveryPlaceTakesTheProgramsFolder) {
    ::mkdir((dir_ + "/users").c_str(), 0755);
    std::ofstream(dir_ + "/users/f.txt") << "the program's";
    struct Row {
        const char* place;
        std::function<std::string()> used;  // the full folder the place took "users" for
    } rows[] = {
        {"home folder stored in options.ini",
         [&] {
             std::ofstream(dir_ + "/options.ini", std::ios::binary) << HomeIni(u"users");
             delete form_;
             form_ = new Tquillnestform;
             return form_->HomeDir;
         }},
        {"home folder dialog",
         [&] {
             While([&] { form_->changehomeClick(nullptr); },
                   [] {
                       homeform->hdir->SetText("users");
                       homeform->ok->Click();
                   });
             return form_->HomeDir;
         }},
        {"folder picker",
         [&] {
             std::string opened;
             form_->webdir->SetText("users");
             While([&] { PickFolderFor(form_->webdir); },
                   [&] {
                       opened = dir->directory->GetSelectedPath();
                       dir->SetModalResult(forms::mrCancel);
                   });
             return opened;
         }},
        {"web domain dialog",
         [&] {
             While([&] { form_->newwebdomain->Click(); },
                   [] {
                       domainproperties->alias->SetText("other.test");
                       domainproperties->path->SetText("users");
                       domainproperties->ok->Click();
                   });
             return form_->WebDomainList.empty() ? std::string() : form_->WebDomainList.back()->LocalRoot;
         }},
        {"URL mapping of a stored domain root",
         [&] {
             AddDomain("users");
             tsession session;
             const std::string file =
                 http::MapUrl(http::UrlMapConfigOf(*form_), &session, "site.test", "/f.txt").LocalPath;
             return netunit::WideExtractPath(file);
         }},
        {"URL mapping of the web folder",
         [&] {
             form_->webdir->SetText("users");
             tsession session;
             const std::string file = http::MapUrl(http::UrlMapConfigOf(*form_), &session, "", "/f.txt").LocalPath;
             return netunit::WideExtractPath(file);
         }},
        {"FTP folder of a stored shared path",
         [&] {
             auto path = std::make_unique<core::tftppath>();
             path->LocalDir = "users";
             path->Alias = "pub";
             path->Owner = "bob";
             path->FileRead = path->DirList = true;
             form_->SharedPathList.push_back(std::move(path));
             form_->sharedenabled->SetChecked(true);
             core::tuseraccount bob;
             bob.UserName = "bob";
             const ftp::LocalMapping m =
                 ftp::VirtualToLocalPath(ftp::FtpSettingsOf(*form_).Tree(&bob), "/shared/pub/f.txt");
             return netunit::WideExtractPath(m.Path.substr(0, m.Path.size() - 1));
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.place);
        EXPECT_EQ(netunit::RemoveBackslash(r.used()), dir_ + "/users");
    }
    EXPECT_TRUE(boxes_.empty()) << boxes_.front();
}

TEST_F(RelativeFolders, ANewHomeFolderIsMadeInTheProgramsFolder) {
    While([&] { form_->changehomeClick(nullptr); },
          [] {
              homeform->hdir->SetText("people");
              homeform->ok->Click();
          });
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Directory does not exist.\nCreate it?");
    EXPECT_EQ(form_->HomeDir, dir_ + "/people/");
    struct stat st {};
    EXPECT_EQ(::stat((dir_ + "/people").c_str(), &st), 0);
    EXPECT_NE(::stat((elsewhere_ + "/people").c_str(), &st), 0) << "made in the working folder";
}

}  // namespace
