#include "widgets/shell/transferjob.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "netunit/treecopy.h"
#include "platform/mainthread.h"
#include "widgets/shell/hourglass.h"
#include "widgets/shell/shellstrings.h"
#include "widgets/shell/shelltrash.h"

namespace shell {

namespace {

// A transfer not over after this long shows its progress dialog.
constexpr int kShowAfterMs = 500;
// How often the dialog is brought up to date; also wakes the wait.
constexpr int kProgressTickMs = 100;
// The dialog's geometry.
constexpr int kMargin = 9;
constexpr int kWidth = 440;
constexpr int kLineHeight = 20;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

struct TTransferJob {
    netunit::TCopyWorker Worker;
    netunit::TCopyProgress& Progress = Worker.Progress;
    TTransferReport Report;
};

const char* VerbOf(TTransferKind kind) {
    switch (kind) {
        case TTransferKind::Copy: return "Copying";
        case TTransferKind::Move: return "Moving";
        case TTransferKind::Link: return "Linking";
    }
    return "";
}

QString Grouped(int64_t n) {
    const std::string digits = std::to_string(n);
    std::u16string grouped;
    WideAddThousandSeparators(std::u16string(digits.begin(), digits.end()), grouped);
    return QString::fromStdU16String(grouped);
}

// What is being copied and how far it got, with the one way to stop it.
class TTransferDialog : public QDialog {
public:
    TTransferDialog(QWidget* owner, TTransferKind kind, const std::string& folder, std::shared_ptr<TTransferJob> job)
        : QDialog(owner), job_(std::move(job)), verb_(VerbOf(kind)) {
        setObjectName("TransferProgress");
        setAccessibleName("TransferProgress");
        setWindowTitle(QString::fromUtf8(verb_) + " into " + QString::fromUtf8(folder.data(), qsizetype(folder.size())));
        setWindowModality(Qt::ApplicationModal);
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        what_ = Make<QLabel>("TransferWhat", kMargin);
        bar_ = Make<QProgressBar>("TransferBar", kMargin * 2 + kLineHeight);
        count_ = Make<QLabel>("TransferCount", kMargin * 3 + kLineHeight * 2);
        cancel_ = new QPushButton("Cancel", this);
        cancel_->setObjectName("TransferCancel");
        cancel_->setAccessibleName("TransferCancel");
        const int buttonTop = kMargin * 4 + kLineHeight * 3;
        cancel_->setGeometry(kWidth - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
        connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
        setFixedSize(kWidth, buttonTop + kButtonHeight + kMargin);
        Update();
    }

    void Update() {
        const netunit::TCopyProgress& p = job_->Progress;
        const int64_t total = p.Total, copied = p.Copied;
        if (p.Cancelled) {
            SetText(what_, "Cancelling: what is half done is being undone...");
        } else {
            const std::string current = p.Current();
            const QString name = QString::fromUtf8(current.data(), qsizetype(current.size()));
            SetText(what_, QString::fromUtf8(verb_) + " \"" +
                               what_->fontMetrics().elidedText(name, Qt::ElideMiddle, what_->width() - 80) + "\"");
        }
        bar_->setRange(0, total > 0 ? 1000 : 0);
        bar_->setValue(total > 0 ? int(std::min<int64_t>(copied, total) * 1000 / total) : 0);
        SetText(count_, Grouped(copied) + " of " + Grouped(total) + " files and folders");
    }

    // Escape, the close box and Cancel all stop the transfer; the dialog
    // itself stays until the worker is done. At the program's end, which
    // has stopped the worker already, it closes at once: it must not hold
    // the end up.
    void reject() override {
        if (job_->Worker.Finished() || platform::ShuttingDown()) return QDialog::reject();
        job_->Progress.Cancelled = true;
        cancel_->setEnabled(false);
        Update();
    }

private:
    template <class T>
    T* Make(const char* name, int top) {
        T* w = new T(this);
        w->setObjectName(name);
        w->setAccessibleName(name);
        w->setGeometry(kMargin, top, kWidth - 2 * kMargin, kLineHeight);
        return w;
    }
    static void SetText(QLabel* label, const QString& text) {
        label->setText(text);
        label->setAccessibleDescription(text);
    }

    std::shared_ptr<TTransferJob> job_;
    const char* verb_;
    QLabel* what_ = nullptr;
    QLabel* count_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace

// Runs work on a worker while the loop serves; folder names where the items
// go, for the dialog's title.
TTransferReport RunWhileServing(TTransferKind kind, const std::string& folder,
                                std::function<TTransferReport(netunit::TCopyProgress*)> work) {
    auto job = std::make_shared<TTransferJob>();
    std::thread([job, work = std::move(work)] {
        try {
            job->Report = work(&job->Progress);
        } catch (const std::exception& e) {
            job->Report.Problems.push_back(e.what());
        }
        job->Worker.Finish();
        platform::PostToMain([] {});  // wakes the wait below
    }).detach();

    std::optional<THourglass> hourglass(std::in_place);
    TTransferDialog dialog(QApplication::activeWindow(), kind, folder, job);
    QElapsedTimer since;
    since.start();
    QTimer tick;
    tick.setInterval(kProgressTickMs);
    QObject::connect(&tick, &QTimer::timeout, &dialog, [&] {
        if (hourglass && since.elapsed() >= kShowAfterMs) {  // once: the end may close it
            hourglass.reset();
            dialog.show();
        }
        if (dialog.isVisible()) dialog.Update();
    });
    tick.start();
    // Timers and sockets keep firing here; the user's clicks and keys wait
    // until the dialog is there to take them.
    while (!job->Worker.Finished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        (dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents));
    return job->Report;
}

TTransferReport TransferWhileServing(const std::vector<std::string>& items, const std::string& folder,
                                     TTransferKind kind) {
    return RunWhileServing(kind, folder, [items, folder, kind](netunit::TCopyProgress* progress) {
        return TransferInto(items, folder, kind, progress);
    });
}

TTransferReport TrashWhileServing(const std::vector<std::string>& items) {
    return RunWhileServing(TTransferKind::Move, "the Trash", [items](netunit::TCopyProgress* progress) {
        TTransferReport report;
        for (const std::string& item : items) {
            if (progress->Cancelled) {
                report.Problems.push_back("\"" + item + "\" was not moved to the Trash: cancelled.");
                continue;
            }
            try {
                MoveToTrash(item, progress);
                report.Done.push_back(item);
            } catch (const EShellVerbError& e) {
                report.Problems.push_back(e.what());
            }
        }
        return report;
    });
}

}  // namespace shell
