// A main window of its own, in a fresh temporary program folder, with every
// service switched off: each test switches on what it needs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "forms/forms.h"
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
