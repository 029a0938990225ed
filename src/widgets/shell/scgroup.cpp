#include "widgets/shell/scgroup.h"

#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

#include "platform/guard.h"

namespace shell {

namespace {

constexpr int kDefaultWidth = 64;
constexpr int kDefaultHeight = 48;
constexpr int kGroupCaptionLeft = 8;  // where a group's caption starts over its frame

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The four edges of r (inclusive coordinates): top and left in topLeft,
// bottom and right in bottomRight.
void Bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.setPen(topLeft);
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.setPen(bottomRight);
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
}

void Outline(QPainter& p, const QRect& r, const QColor& c) { Bevel(p, r, c, c); }

// An etched line: shadow first, highlight one pixel further in.
void EtchedHorz(QPainter& p, int left, int right, int y, const QPalette& pal) {
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(left, y, right, y);
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(left, y + 1, right, y + 1);
}

void EtchedVert(QPainter& p, int top, int bottom, int x, const QPalette& pal) {
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(x, top, x, bottom);
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(x + 1, top, x + 1, bottom);
}

}  // namespace

QMargins FrameInsets(TScFrameStyle style, int captionHeight) {
    switch (style) {
        case scfsGroup: return {2, captionHeight > 0 ? captionHeight : 2, 2, 2};
        case scfsLowered:
        case scfsRaised: return {2, 2, 2, 2};
        case scfsDint:
        case scfsBump:
        case scfsSingle: return {1, 1, 1, 1};
        case scfsHorzLine: return {0, 2, 0, 0};
        case scfsHorzEdge: return {0, 2, 0, 2};
        case scfsVertLine: return {2, 0, 0, 0};
        case scfsVertEdge: return {2, 0, 2, 0};
        case scfsNone: break;
    }
    return {};
}

// The client area, where the children live; the owner paints it.
class TScCustomGroup::ClientArea : public QWidget {
public:
    ClientArea(TScCustomGroup* o, void (TScCustomGroup::*p)(QPainter&)) : owner(o), paint(p) {}
    TScCustomGroup* owner;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!owner) return;
        QPainter p(this);
        (owner->*paint)(p);
    }

private:
    void (TScCustomGroup::*paint)(QPainter&);
};

// The whole control: its frame lies around the client area.
class TScCustomGroup::FrameWidget : public ClientArea {
public:
    explicit FrameWidget(TScCustomGroup* o) : ClientArea(o, &TScCustomGroup::PaintFrame) {}

protected:
    void resizeEvent(QResizeEvent*) override {
        if (owner) owner->RecalcFrame();
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (!owner || (e->type() != QEvent::FontChange && e->type() != QEvent::PaletteChange)) return;
        // The group's caption height sets its top inset.
        if (owner->frameStyle_ == scfsGroup) owner->RecalcFrame();
        update();
    }
};

TScCustomGroup::TScCustomGroup(forms::TComponent* AOwner)
    : forms::TWinControl(AOwner),
      frame_(new FrameWidget(this)),
      client_(new ClientArea(this, &TScCustomGroup::PaintClient)) {
    client_->setParent(frame_);
    SetWidget(frame_);
    SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
}

TScCustomGroup::~TScCustomGroup() {
    DropEvents();
    frame_->owner = nullptr;
    client_->owner = nullptr;
}

void TScCustomGroup::SetCaption(const std::string& c) {
    caption_ = c;
    if (frameStyle_ == scfsGroup) RecalcFrame();
    frame_->update();
    client_->update();
}

void TScCustomGroup::SetAlignment(forms::TAlignment a) {
    alignment_ = a;
    client_->update();
}

void TScCustomGroup::SetDefaultDrawing(bool on) {
    defaultDrawing_ = on;
    client_->update();
}

void TScCustomGroup::SetFrameSpace(int n) {
    frameSpace_ = n;
    client_->update();
}

void TScCustomGroup::SetFrameStyle(TScFrameStyle s) {
    if (s == frameStyle_) return;
    frameStyle_ = s;
    RecalcFrame();
    client_->update();
}

void TScCustomGroup::SetEnabled(bool e) {
    forms::TWinControl::SetEnabled(e);
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(e);
    if (frameStyle_ == scfsGroup) RecalcFrame();
    frame_->update();
    client_->update();
}

QWidget* TScCustomGroup::ClientWidget() const { return client_; }
int TScCustomGroup::ClientWidth() const { return client_->width(); }
int TScCustomGroup::ClientHeight() const { return client_->height(); }
QRect TScCustomGroup::ClientRect() const { return client_->geometry(); }

void TScCustomGroup::Resized() { RecalcFrame(); }

int TScCustomGroup::CaptionHeight() const {
    if (caption_.empty()) return 0;
    return frame_->fontMetrics().size(Qt::TextSingleLine, QStringLiteral("0")).height();
}

void TScCustomGroup::RecalcFrame() {
    const QMargins m = FrameInsets(frameStyle_, CaptionHeight());
    const QRect whole = frame_->rect();
    client_->setGeometry(whole.left() + m.left(), whole.top() + m.top(),
                         std::max(whole.width() - m.left() - m.right(), 0),
                         std::max(whole.height() - m.top() - m.bottom(), 0));
    AlignControls();
    frame_->update();
}

void TScCustomGroup::PaintFrame(QPainter& p) {
    const QPalette& pal = frame_->palette();
    const QRect r = frame_->rect();
    p.setClipRegion(QRegion(r).subtracted(QRegion(client_->geometry())));
    p.fillRect(r, pal.color(QPalette::Window));
    const QColor light = pal.color(QPalette::Light), dark = pal.color(QPalette::Dark);
    const QColor darkest = pal.color(QPalette::Shadow), face = pal.color(QPalette::Button);
    switch (frameStyle_) {
        case scfsGroup: {
            const int ch = CaptionHeight();
            QRect box = r.adjusted(0, ch / 2, 0, 0);
            Outline(p, box.adjusted(1, 1, 0, 0), light);
            Outline(p, box.adjusted(0, 0, -1, -1), dark);
            if (caption_.empty()) break;
            const QString text = Q(caption_);
            QRect at(kGroupCaptionLeft, 0, frame_->fontMetrics().horizontalAdvance(text), ch);
            p.fillRect(at, pal.color(QPalette::Window));
            if (Enabled()) {
                p.setPen(pal.color(QPalette::WindowText));
            } else {
                p.setPen(light);
                p.drawText(at.translated(1, 1), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
                p.setPen(dark);
            }
            p.drawText(at, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
            break;
        }
        case scfsLowered:
            Bevel(p, r, dark, light);
            Bevel(p, r.adjusted(1, 1, -1, -1), darkest, face);
            break;
        case scfsRaised:
            Bevel(p, r, light, dark);
            Bevel(p, r.adjusted(1, 1, -1, -1), face, darkest);
            break;
        case scfsDint: Bevel(p, r, dark, light); break;
        case scfsBump: Bevel(p, r, light, dark); break;
        case scfsSingle: Outline(p, r, pal.color(QPalette::WindowText)); break;
        case scfsHorzLine: EtchedHorz(p, r.left(), r.right(), r.top(), pal); break;
        case scfsHorzEdge:
            EtchedHorz(p, r.left(), r.right(), r.top(), pal);
            EtchedHorz(p, r.left(), r.right(), r.bottom() - 1, pal);
            break;
        case scfsVertLine: EtchedVert(p, r.top(), r.bottom(), r.left(), pal); break;
        case scfsVertEdge:
            EtchedVert(p, r.top(), r.bottom(), r.left(), pal);
            EtchedVert(p, r.top(), r.bottom(), r.right() - 1, pal);
            break;
        case scfsNone: break;
    }
}

void TScCustomGroup::PaintClient(QPainter& p) {
    const QRect r = client_->rect();
    p.fillRect(r, client_->palette().color(QPalette::Window));
    if (defaultDrawing_ && frameStyle_ != scfsGroup && !caption_.empty()) {
        const QRect area = r.adjusted(frameSpace_, 0, -frameSpace_, 0);
        const QString text = p.fontMetrics().elidedText(Q(caption_), Qt::ElideRight, std::max(area.width(), 0));
        p.setPen(client_->palette().color(QPalette::WindowText));
        p.drawText(area, forms::QtAlignment(alignment_) | Qt::TextSingleLine, text);
    }
    if (OnPaint) {
        auto handler = OnPaint;
        platform::RunGuarded([&] { handler(this, p); });
    }
}

TScPane::TScPane(forms::TComponent* AOwner) : TScGroup(AOwner) { SetFrameStyle(scfsLowered); }

}  // namespace shell
