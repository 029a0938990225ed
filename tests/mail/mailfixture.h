// A scratch mail setup for tests that run mail code without the window: the
// mail, relay and home folders, the accounts, the E-Mail snapshot over them
// and the mail state.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "../netunit/tempdir.h"
#include "mail/mailstate.h"
#include "mail/smtpstep.h"

class MailFixture : public ::testing::Test {
protected:
    MailFixture() {
        for (const char* folder : {"mail", "relay", "home"}) std::filesystem::create_directories(dir_ / folder);
        settings_.Accounts = &accounts_;
        settings_.Forwards = &forwards_;
        settings_.MailDomains = &mailDomains_;
        settings_.MailDir = dir_ / "mail/";
        settings_.RelayDir = dir_ / "relay/";
        settings_.HomeDir = dir_ / "home/";
    }

    // An account that may use e-mail, with its home folder.
    core::tuseraccount& AddMailAccount(const std::string& name) {
        auto account = std::make_unique<core::tuseraccount>();
        account->UserName = name;
        account->EmailAllowed = true;
        std::filesystem::create_directories(dir_ / ("home/" + name));
        accounts_.push_back(std::move(account));
        return *accounts_.back();
    }

    TempDir dir_;
    core::AccountList accounts_;
    core::RecordList<core::tmailforward> forwards_;
    core::RecordList<core::tmaildomain> mailDomains_;
    mail::SmtpSettings settings_;
    mail::tmailstate mail_;
};
