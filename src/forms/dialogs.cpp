#include "forms/dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "forms/internal.h"

namespace forms {

using detail::Q;

const std::array<std::u16string, 11>& ButtonNames() {
    static const std::array<std::u16string, 11> names = {u"Yes",   u"No",  u"OK",      u"Cancel",   u"Abort", u"Retry",
                                                         u"Ignore", u"All", u"NoToAll", u"YesToAll", u"Help"};
    return names;
}

namespace {

TMessageDlgHook& MessageHook() {
    static TMessageDlgHook hook;
    return hook;
}

TOpenDialogHook& OpenHook() {
    static TOpenDialogHook hook;
    return hook;
}

std::string DefaultCaption(TMsgDlgType type) {
    switch (type) {
        case mtWarning: return "Warning";
        case mtError: return "Error";
        case mtInformation: return "Information";
        case mtConfirmation: return "Confirm";
        case mtCustom: break;
    }
    return Application().Title();
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
        case mtWarning: return QMessageBox::Warning;
        case mtError: return QMessageBox::Critical;
        case mtInformation: return QMessageBox::Information;
        case mtConfirmation: return QMessageBox::Question;
        case mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

TModalResult ShowBox(TMessageDlgRequest request) {
    if (request.Buttons == 0) request.Buttons = mbOK;
    if (MessageHook()) {
        TMessageDlgHook hook = MessageHook();
        return hook(request);
    }
    QMessageBox box(IconOf(request.Type), Q(request.Caption), Q(request.Text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    struct Choice {
        TMsgDlgBtn flag;
        QMessageBox::StandardButton button;
        TModalResult result;
        TMsgDlgBtnIndex name;
    };
    static const Choice kChoices[] = {
        {mbYes, QMessageBox::Yes, mrYes, mbiYes},
        {mbNo, QMessageBox::No, mrNo, mbiNo},
        {mbOK, QMessageBox::Ok, mrOk, mbiOK},
        {mbCancel, QMessageBox::Cancel, mrCancel, mbiCancel},
    };
    // Escape and the close box: Cancel, else No, else OK.
    const TModalResult escapeResult = (request.Buttons & mbCancel) ? mrCancel
                                      : (request.Buttons & mbNo)   ? mrNo
                                      : (request.Buttons & mbOK)   ? mrOk
                                                                   : mrYes;
    QAbstractButton* escape = nullptr;
    for (const Choice& c : kChoices) {
        if (!(request.Buttons & c.flag)) continue;
        QAbstractButton* b = box.addButton(c.button);
        // Found by name by tests and assistive tools, whatever the caption.
        const QString name = QString::fromStdU16String(ButtonNames()[c.name]);
        b->setObjectName(name);
        b->setAccessibleName(name);
        if (c.result == escapeResult) escape = b;
    }
    box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const Choice& c : kChoices)
        if ((request.Buttons & c.flag) && clicked == box.button(c.button)) return c.result;
    return escapeResult;
}

// "Text (*.txt)|*.txt|All (*.*)|*.*" becomes Qt's "Text (*.txt) (*.txt);;All (*.*) (*)".
QString QtFilter(const std::string& filter) {
    QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file on the original platform, dotted or not.
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

}  // namespace

TModalResult MessageDlg(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
    return ShowBox({Text, DefaultCaption(Type), Type, Buttons});
}

TModalResult MessageBox(const std::string& Text, const std::string& Caption, TMsgDlgType Type,
                        TMsgDlgButtons Buttons) {
    return ShowBox({Text, Caption, Type, Buttons});
}

void SetMessageDlgHook(TMessageDlgHook hook) { MessageHook() = std::move(hook); }

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TOpenDialog::Execute() {
    if (OpenHook()) {
        TOpenDialogHook hook = OpenHook();
        return hook(*this);
    }
    QString start = QFile::decodeName(QByteArray::fromStdString(StartPath()));
    const QStringList filters = QtFilter(Filter).split(QStringLiteral(";;"));
    QString selected = FilterIndex >= 1 && FilterIndex <= filters.size() ? filters[FilterIndex - 1] : QString();
    QFileDialog chooser(QApplication::activeWindow(), Q(Title), start, QtFilter(Filter));
    chooser.setFileMode(FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!selected.isEmpty()) chooser.selectNameFilter(selected);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return false;
    const QString chosen = chooser.selectedFiles().constFirst();
    selected = chooser.selectedNameFilter();
    FileName = QFile::encodeName(chosen).toStdString();
    const int idx = static_cast<int>(filters.indexOf(selected));
    if (idx >= 0) FilterIndex = idx + 1;
    return true;
}

std::string TOpenDialog::StartPath() const { return InitialDir.empty() ? FileName : InitialDir; }

void SetOpenDialogHook(TOpenDialogHook hook) { OpenHook() = std::move(hook); }

}  // namespace forms
