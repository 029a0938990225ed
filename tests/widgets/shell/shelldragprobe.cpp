// A test program for drag and drop on a real X server.
//   shelldragprobe list <folder> <x> <y>   a shell folder list of the folder
//       (dragging and dropping on); prints "row <name> <x> <y>" with the
//       screen centre of each row's name once the window is up
//   shelldragprobe tree <folder> <x> <y>   a shell folder tree based on the
//       folder (dragging and dropping on); prints "row <name> <x> <y>" for
//       the root node and the nodes under it
//   shelldragprobe target <x> <y>          a bare window that takes any drop
//       of text/uri-list; prints "enter", "leave" and "drop <uri-list>"
// Every line is flushed at once.
#include <cstdio>
#include <string>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include "forms/form.h"
#include "widgets/shell/shelllist.h"
#include "widgets/shell/shelltree.h"

namespace {

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class DropWindow : public QWidget {
public:
    DropWindow() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        Say("enter " + e->mimeData()->formats().join(",").toStdString());
        if (e->mimeData()->hasFormat("text/uri-list")) e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
    void dragLeaveEvent(QDragLeaveEvent*) override { Say("leave"); }
    void dropEvent(QDropEvent* e) override {
        QByteArray list = e->mimeData()->data("text/uri-list");
        list.replace("\r\n", " ");
        Say("drop " + list.trimmed().toStdString());
        e->setDropAction(Qt::CopyAction);
        e->accept();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "target" && argc == 4) {
        DropWindow window;
        window.setWindowTitle("drop target");
        window.setGeometry(std::stoi(argv[2]), std::stoi(argv[3]), 300, 300);
        window.show();
        return app.exec();
    }
    if ((mode != "list" && mode != "tree") || argc != 5) {
        std::fprintf(stderr, "usage: shelldragprobe list|tree <folder> <x> <y> | target <x> <y>\n");
        return 2;
    }
    forms::TForm form(nullptr);
    form.SetCaption("shell " + mode);
    form.SetBounds(std::stoi(argv[3]), std::stoi(argv[4]), 400, 300);
    if (mode == "tree") {
        auto* tree = new shell::TScShellTree(&form);
        tree->SetParent(&form);
        tree->SetBounds(0, 0, 400, 300);
        tree->BaseFolder()->SetPath(argv[2]);
        tree->Loaded();
        tree->RootNode()->Expand(false);
        form.SetVisible(true);
        QTimer::singleShot(800, [tree] {
            auto tell = [tree](forms::TTreeNode* node) {
                int l, t, r, b;
                tree->NodeTextRect(node, l, t, r, b);
                const QPoint centre = tree->Widget()->mapToGlobal(QPoint((l + r) / 2, (t + b) / 2));
                Say("row " + node->Text() + " " + std::to_string(centre.x()) + " " + std::to_string(centre.y()));
            };
            tell(tree->RootNode());
            for (forms::TTreeNode* n = tree->RootNode()->getFirstChild(); n; n = n->GetNextSibling()) tell(n);
            Say("ready");
        });
        return app.exec();
    }
    shell::TScShellList list(&form);
    list.SetParent(&form);
    list.SetBounds(0, 0, 400, 300);
    list.CurrentFolder()->SetPath(argv[2]);
    form.SetVisible(true);
    QTimer::singleShot(800, [&] {
        auto* view = static_cast<QTreeWidget*>(list.Widget());
        for (int i = 0; i < list.Count(); ++i) {
            QTreeWidgetItem* row = view->topLevelItem(i);
            const QRect r = view->visualItemRect(row);
            const QPoint centre = view->viewport()->mapToGlobal(QPoint(r.left() + 30, r.center().y()));
            Say("row " + row->text(0).toStdString() + " " + std::to_string(centre.x()) + " " + std::to_string(centre.y()));
        }
        Say("ready");
    });
    return app.exec();
}
