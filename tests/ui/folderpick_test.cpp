// The folder pick of the browse buttons, in process: where the chooser
// opens, and what OK on a node with and without a folder does to the edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <sys/stat.h>

#include "ui/dirform.h"
#include "windowtest.h"

namespace {

class FolderPick : public WindowTest {
protected:
    // Shows the chooser for the edit; while it is up, looks at where it
    // opened and closes it with OK after act ran.
    bool Pick(forms::TEdit* edit, std::string& openedAt, const std::function<void()>& act) {
        QTimer::singleShot(0, [&] {
            openedAt = dir->directory->GetSelectedPath();
            act();
            dir->SetModalResult(forms::mrOk);
        });
        return PickFolderFor(edit);
    }
};

TEST_F(FolderPick, RelativeTextOpensUnderTheProgramFolderAndOkTakesTheFolder) {
    ASSERT_EQ(::mkdir((dir_ + "/pages").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir_ + "/pages/inner").c_str(), 0755), 0);
    form_->webdir->SetText("pages");
    std::string opened;
    EXPECT_TRUE(Pick(form_->webdir, opened, [&] {
        forms::TTreeNode* at = dir->directory->Selected();
        ASSERT_TRUE(at->Expanded()) << "the chosen folder opens";
        dir->directory->SetSelected(at->getFirstChild());
    }));
    EXPECT_EQ(opened, dir_ + "/pages");
    EXPECT_EQ(form_->webdir->Text(), dir_ + "/pages/inner");
}

TEST_F(FolderPick, ANodeWithoutAFolderKeepsTheEdit) {
    form_->webdir->SetText(dir_ + "/");
    std::string opened;
    EXPECT_FALSE(Pick(form_->webdir, opened, [&] {
        forms::TTreeNode* root = dir->directory->RootNode();
        for (forms::TTreeNode* n = root->getFirstChild(); n; n = n->GetNextSibling())
            if (n->Text() == "Computer") dir->directory->SetSelected(n);
        ASSERT_EQ(dir->directory->GetSelectedPath(), "");
    }));
    EXPECT_EQ(opened, dir_);
    EXPECT_EQ(form_->webdir->Text(), dir_ + "/");
}

TEST_F(FolderPick, ThePickersTreeNeitherDragsNorTakesDrops) {
    ASSERT_EQ(::mkdir((dir_ + "/pages").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir_ + "/dropped").c_str(), 0755), 0);
    form_->webdir->SetText(dir_ + "/pages");
    std::string opened;
    bool entered = true;
    Pick(form_->webdir, opened, [&] {
        EXPECT_FALSE(dir->directory->HasOption(shell::scstoOleDrag));
        EXPECT_FALSE(dir->directory->HasOption(shell::scstoOleDrop));
        auto* view = static_cast<QTreeWidget*>(dir->directory->Widget());
        int l, t, r, b;
        dir->directory->NodeTextRect(dir->directory->Selected(), l, t, r, b);
        const QPoint at = view->viewport()->mapFrom(view, QPoint((l + r) / 2, (t + b) / 2));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_ + "/dropped"))});
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ControlModifier);
        enter.ignore();
        QApplication::sendEvent(view->viewport(), &enter);
        entered = enter.isAccepted();
    });
    EXPECT_FALSE(entered);
    struct stat st;
    EXPECT_NE(::stat((dir_ + "/pages/dropped").c_str(), &st), 0);
}

}  // namespace
