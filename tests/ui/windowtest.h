// A main window of its own, in a fresh temporary program folder, with every
// service switched off: each test switches on what it needs.
#pragma once

#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "forms/forms.h"
#include "netunit/files.h"
#include "platform/programdir.h"
#include "ui/quillnestform.h"

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/quillnest-window-XXXXXX";
        dir_ = mkdtemp(tmpl);
        platform::SetProgramDir(dir_);
        // The start-up entry and the key store of this window only.
        setenv("XDG_CONFIG_HOME", (dir_ + "/.config").c_str(), 1);
        PrepareFolder();
        form_ = new Tquillnestform;
        for (const ServiceRow& s : form_->Services()) s.Switch->SetChecked(false);
    }
    void TearDown() override {
        delete form_;
        forms::SetMessageDlgHook(nullptr);
        platform::SetProgramDir("");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // Fills the program's folder before the window starts and loads it.
    virtual void PrepareFolder() {}

    std::string dir_;  // the program's folder, without a trailing "/"
    Tquillnestform* form_ = nullptr;
};

// A window whose dialogs a test drives: each message box's text is kept in
// boxes_ and the box answered with answer_.
class DialogWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        forms::SetMessageDlgHook([this](const forms::TMessageDlgRequest& r) {
            boxes_.push_back(r.Text);
            return answer_;
        });
    }

    // Runs Handler; Steps run inside the modal dialog it opens (Dialog once it
    // is up) and must close it.
    template <class Dialog>
    static void While(Dialog*& dialog, const std::function<void()>& handler, const std::function<void(Dialog*)>& steps) {
        QTimer::singleShot(0, [&dialog, steps] { steps(dialog); });
        handler();
    }

    static std::string ReadFile(const std::string& path) {
        std::string bytes;
        netunit::ReadWholeFile(path, bytes);
        return bytes;
    }

    std::vector<std::string> boxes_;
    forms::TModalResult answer_ = forms::mrYes;
};
