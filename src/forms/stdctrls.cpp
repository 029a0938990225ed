// Panels, labels, edits, memos, buttons, check and radio buttons, bevels and
// images.
#include "forms/stdctrls.h"

#include <QCheckBox>
#include <QFile>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <fstream>
#include <iterator>

#include "forms/editrules.h"
#include "forms/form.h"
#include "forms/internal.h"
#include "forms/pictures.h"

namespace forms {

using detail::Fire;
using detail::Q;
using detail::S;

namespace {

constexpr char16_t kBackspaceChar = 8;  // the one control character a key filter sees
constexpr int kGroupFrame = 1;           // a group box's frame line
constexpr int kGroupTopMargin = 3;       // between a group box's top line and its first control

// A panel that draws its caption centred behind its children.
class PanelWidget : public QFrame {
public:
    std::string caption;

protected:
    void paintEvent(QPaintEvent* e) override {
        QFrame::paintEvent(e);
        if (caption.empty()) return;
        QPainter p(this);
        p.drawText(rect(), Qt::AlignCenter, Q(caption));
    }
};

// A group box that tells where its style draws the frame's top line: at the
// frame's top, or under the caption where there is one.
class GroupBoxWidget : public QGroupBox {
public:
    int TopLine() const {
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const auto part = [&](QStyle::SubControl sc) {
            return style()->subControlRect(QStyle::CC_GroupBox, &option, sc, this);
        };
        const int frame = part(QStyle::SC_GroupBoxFrame).top();
        return title().isEmpty() ? frame : std::max(frame, part(QStyle::SC_GroupBoxLabel).bottom() + 1);
    }
};

}  // namespace

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
    auto* w = new PanelWidget;
    w->setFrameShape(QFrame::StyledPanel);
    w->setFrameShadow(QFrame::Raised);
    SetWidget(w);
}

void TPanel::SetCaption(const std::string& c) {
    caption_ = c;
    static_cast<PanelWidget*>(Widget())->caption = c;
    Widget()->update();
}

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) { SetWidget(new GroupBoxWidget); }

void TGroupBox::SetCaption(const std::string& c) {
    caption_ = c;
    static_cast<QGroupBox*>(Widget())->setTitle(Q(c));
    AlignControls();  // the caption's band comes or goes
}

void TGroupBox::AdjustClientRect(int& l, int& t, int& w, int& h) const {
    // The frame stays free, and the caption's band where there is a caption:
    // an empty band would read as a box inside the box. The first control
    // keeps a margin below the frame's top line rather than touching it.
    l = kGroupFrame;
    t = static_cast<const GroupBoxWidget*>(Widget())->TopLine() + kGroupFrame + kGroupTopMargin;
    w = std::max(Width() - 2 * kGroupFrame, 0);
    h = std::max(Height() - t - kGroupFrame, 0);
}

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QLabel;
    detail::OnMouseRelease(w, Events(), [this] { Fire(OnClick, this); });
    SetWidget(w);
    FitToText();
}

void TLabel::SetCaption(const std::string& c) {
    caption_ = c;
    // The accessible name is the component name; the caption is the description.
    Widget()->setAccessibleDescription(Q(c));
    static_cast<QLabel*>(Widget())->setText(Q(c));
    FitToText();
}

void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    FitToText();
}

void TLabel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    FitToText();
}

void TLabel::SetFontStyle(TFontStyles st) {
    fontStyle_ = st;
    QFont f = Widget()->font();
    f.setBold(st & fsBold);
    f.setItalic(st & fsItalic);
    f.setUnderline(st & fsUnderline);
    Widget()->setFont(f);
    FitToText();
}

void TLabel::FitToText() {
    if (!autoSize_) return;
    QSize hint = Widget()->sizeHint();
    Widget()->resize(hint);
}

TEdit::TEdit(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QLineEdit;
    rules_ = new detail::EditRules(0, w);
    w->setValidator(rules_);
    QObject::connect(w, &QLineEdit::textChanged, Events(), [this] { Fire(OnChange, this); });
    // A typed character is offered to OnKeyPress before the edit takes it.
    // Tab, Enter and Escape are the dialog's keys, not characters of the
    // field: a filter never sees them, so it cannot keep the focus in.
    w->installEventFilter(new detail::FilterObject(Events(), [this, w](QObject*, QEvent* e) {
        if (e->type() != QEvent::KeyPress || !OnKeyPress) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        const QString typed = ke->text();
        if (typed.size() != 1 || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
        char16_t key = typed[0].unicode();
        if (key < u' ' && key != kBackspaceChar) return false;
        const char16_t original = key;
        Fire(OnKeyPress, this, key);
        if (key == original) return false;
        if (key != 0 && !w->isReadOnly()) w->insert(QString(QChar(key)));
        return true;
    }));
    SetWidget(w);
}

TEdit::~TEdit() { DropEvents(); }

std::string TEdit::Text() const {
    const QString now = static_cast<QLineEdit*>(Widget())->text();
    return now == shown_ ? bytes_ : S(now);
}

void TEdit::SetText(const std::string& t) {
    auto* w = static_cast<QLineEdit*>(Widget());
    QString q = Q(t);
    bytes_ = t;
    rules_->BeginCodeChange();
    if (q != w->text()) w->setText(q);
    rules_->EndCodeChange(w->text());
    shown_ = w->text();
    // Text set by code shows from its start, as a field opens; one the user
    // is typing in keeps its caret where the typing goes on.
    if (!w->hasFocus()) w->setCursorPosition(0);
}

void TEdit::SetMaxLength(int n) {
    maxLength_ = n;
    rules_->SetMaxBytes(n);
}

bool TEdit::ReadOnly() const { return static_cast<QLineEdit*>(Widget())->isReadOnly(); }
void TEdit::SetReadOnly(bool on) { static_cast<QLineEdit*>(Widget())->setReadOnly(on); }

void TEdit::SetPasswordChar(char c) {
    passwordChar_ = c;
    static_cast<QLineEdit*>(Widget())->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}

int TEdit::SelStart() const { return static_cast<QLineEdit*>(Widget())->cursorPosition(); }
void TEdit::SetSelStart(int i) { static_cast<QLineEdit*>(Widget())->setCursorPosition(i); }

void TEdit::SelectAll() { static_cast<QLineEdit*>(Widget())->selectAll(); }

// The memo's lines, kept in the document itself.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(QPlainTextEdit* w) : w_(w) {}
    int Count() const override { return static_cast<int>(Lines().size()); }
    std::string Strings(int Index) const override {
        auto l = Lines();
        CheckIndex(Index, static_cast<int>(l.size()));
        return S(l[Index]);
    }
    void SetStrings(int Index, const std::string& s) override {
        auto l = Lines();
        CheckIndex(Index, static_cast<int>(l.size()));
        l[Index] = Q(s);
        Store(l);
    }
    void Insert(int Index, const std::string& s) override {
        auto l = Lines();
        CheckIndex(Index, static_cast<int>(l.size()) + 1);
        l.insert(Index, Q(s));
        Store(l);
    }
    void Delete(int Index) override {
        auto l = Lines();
        CheckIndex(Index, static_cast<int>(l.size()));
        l.removeAt(Index);
        Store(l);
    }
    void Clear() override { w_->clear(); }

private:
    // An empty document has no lines; a document "a" has one.
    QStringList Lines() const {
        QString t = w_->toPlainText();
        if (t.isEmpty()) return {};
        return t.split(QLatin1Char('\n'));
    }
    void Store(const QStringList& l) { w_->setPlainText(l.join(QLatin1Char('\n'))); }
    QPlainTextEdit* w_;
};

TMemo::TMemo(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QPlainTextEdit;
    lines_ = std::make_unique<TMemoStrings>(w);
    QObject::connect(w, &QPlainTextEdit::textChanged, Events(), [this] { Fire(OnChange, this); });
    SetWidget(w);
}

TMemo::~TMemo() { DropEvents(); }

std::string TMemo::Text() const { return lines_->Text(); }
void TMemo::SetText(const std::string& t) {
    QString q = Q(t);
    q.remove(QLatin1Char('\r'));
    static_cast<QPlainTextEdit*>(Widget())->setPlainText(q);
}
bool TMemo::ReadOnly() const { return static_cast<QPlainTextEdit*>(Widget())->isReadOnly(); }
void TMemo::SetReadOnly(bool on) { static_cast<QPlainTextEdit*>(Widget())->setReadOnly(on); }
void TMemo::SelectAll() { static_cast<QPlainTextEdit*>(Widget())->selectAll(); }
void TMemo::CopyToClipboard() { static_cast<QPlainTextEdit*>(Widget())->copy(); }

TButton::TButton(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QPushButton;
    w->setAutoDefault(false);
    QObject::connect(w, &QPushButton::clicked, Events(), [this] { Click(); });
    SetWidget(w);
}

void TButton::SetCaption(const std::string& c) {
    caption_ = c;
    // The accessible name is the component name; the caption is the description.
    Widget()->setAccessibleDescription(Q(c));
    static_cast<QPushButton*>(Widget())->setText(Q(c));
}

void TButton::SetDefault(bool on) {
    default_ = on;
    static_cast<QPushButton*>(Widget())->setDefault(on);
}

void TButton::Click() {
    // The button's result first: the handler may set it back to keep the
    // dialog open.
    if (modalResult_ != mrNone)
        if (TForm* form = detail::FormOf(this)) form->SetModalResult(modalResult_);
    Fire(OnClick, this);
}

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {}

TCheckBox::TCheckBox(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QCheckBox;
    // Every change of state that code did not make is the user's: the mouse,
    // the space key and the accessibility Toggle action alike. Each fires once.
    QObject::connect(w, &QCheckBox::toggled, Events(), [this] {
        if (quiet_ == 0) Fire(OnClick, this);
    });
    SetWidget(w);
}

void TCheckBox::SetCaption(const std::string& c) {
    caption_ = c;
    // The accessible name is the component name; the caption is the description.
    Widget()->setAccessibleDescription(Q(c));
    static_cast<QCheckBox*>(Widget())->setText(Q(c));
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(Widget())->isChecked(); }

void TCheckBox::SetChecked(bool on) {
    if (on == Checked()) return;
    {
        detail::Quiet q(quiet_);
        static_cast<QCheckBox*>(Widget())->setChecked(on);
    }
    Fire(OnClick, this);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QRadioButton;
    // A button that becomes checked clicks; the one it turns off does not.
    QObject::connect(w, &QRadioButton::toggled, Events(), [this](bool checked) {
        if (checked && quiet_ == 0) Fire(OnClick, this);
    });
    SetWidget(w);
}

void TRadioButton::SetCaption(const std::string& c) {
    caption_ = c;
    static_cast<QRadioButton*>(Widget())->setText(Q(c));
}

bool TRadioButton::Checked() const { return static_cast<QRadioButton*>(Widget())->isChecked(); }

void TRadioButton::SetChecked(bool on) {
    if (on == Checked()) return;
    auto* w = static_cast<QRadioButton*>(Widget());
    if (on) {
        {
            detail::Quiet q(quiet_);
            w->setChecked(true);
        }
        Fire(OnClick, this);
    } else {
        // An exclusive button cannot be unchecked directly.
        w->setAutoExclusive(false);
        w->setChecked(false);
        w->setAutoExclusive(true);
    }
}

TBevel::TBevel(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QFrame;
    w->setFrameShadow(QFrame::Sunken);
    SetWidget(w);
    SetShape(bsBox);
}

void TBevel::SetShape(TBevelShape s) {
    shape_ = s;
    auto* w = static_cast<QFrame*>(Widget());
    w->setFrameShape(s == bsTopLine || s == bsBottomLine ? QFrame::HLine : QFrame::Box);
}

TImage::TImage(TComponent* AOwner) : TControl(AOwner) {
    auto* w = new QLabel;
    w->setScaledContents(true);
    detail::OnMouseRelease(w, Events(), [this] { Fire(OnClick, this); });
    SetWidget(w);
}

bool TImage::LoadFromFile(const std::string& path) {
    // File names stay bytes: read here, decode from memory.
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QPixmap pm;
    if (!pm.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size())))
        return false;
    static_cast<QLabel*>(Widget())->setPixmap(pm);
    return true;
}

bool TImage::LoadPicture(const std::string& name) {
    QPixmap pm = CompiledPicture(name);
    if (pm.isNull()) return false;
    static_cast<QLabel*>(Widget())->setPixmap(pm);
    return true;
}

}  // namespace forms
