#include "netunit/msgboxes.h"

#include <gtest/gtest.h>

#include "forms/dialogs.h"

using namespace netunit;

TEST(MessageBoxesTest, ConfirmAndInformation) {
    struct Row {
        forms::TModalResult answer;
        bool confirmed;
    };
    std::vector<forms::TMessageDlgRequest> seen;
    forms::TModalResult answer = forms::mrYes;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        seen.push_back(r);
        return answer;
    });
    for (const Row row : {Row{forms::mrYes, true}, Row{forms::mrNo, false}, Row{forms::mrCancel, false}}) {
        SCOPED_TRACE(row.answer);
        answer = row.answer;
        seen.clear();
        EXPECT_EQ(ConfirmBox(nullptr, "Delete it?"), row.confirmed);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].Text, "Delete it?");
        EXPECT_EQ(seen[0].Caption, "Confirm");
        EXPECT_EQ(seen[0].Type, forms::mtConfirmation);
        EXPECT_EQ(seen[0].Buttons, forms::mbYes | forms::mbNo);
    }
    seen.clear();
    InfoBox(nullptr, "Done.");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Caption, "Information");
    EXPECT_EQ(seen[0].Type, forms::mtInformation);
    EXPECT_EQ(seen[0].Buttons, forms::mbOK);
    forms::SetMessageDlgHook(nullptr);
}
