// The framed panel and its pane: a control that holds children inside a
// frame drawn in one of eleven styles. The frame lives outside the client
// area, as a window's non-client part would: children are placed in client
// coordinates, and the client area shrinks by the frame's insets.
//
// Colours come from the widget's palette: Light is the highlight, Dark the
// shadow, Shadow the dark shadow, Button the face and WindowText the window
// frame; Window is the control's colour.
#pragma once

#include <QMargins>
#include <functional>
#include <string>

#include "forms/comctrls.h"
#include "forms/controls.h"

class QPainter;

namespace shell {

enum TScFrameStyle {
    scfsNone,
    scfsGroup,
    scfsLowered,
    scfsRaised,
    scfsDint,
    scfsBump,
    scfsSingle,
    scfsHorzLine,
    scfsHorzEdge,
    scfsVertLine,
    scfsVertEdge,
};

// The painter stands for the canvas: it draws on the client area, after the
// background and the default caption.
using TScFramePaintEvent = std::function<void(forms::TObject* aSender, QPainter& aCanvas)>;

// How far the client area lies inside the control for a style. captionHeight
// is the height of "0" in the control's font when there is a caption, else 0.
QMargins FrameInsets(TScFrameStyle style, int captionHeight);

class TScCustomGroup : public forms::TWinControl {
public:
    explicit TScCustomGroup(forms::TComponent* AOwner);
    ~TScCustomGroup() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    forms::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(forms::TAlignment a);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool on);
    int FrameSpace() const { return frameSpace_; }
    void SetFrameSpace(int n);
    TScFrameStyle FrameStyle() const { return frameStyle_; }
    void SetFrameStyle(TScFrameStyle s);
    TScFramePaintEvent OnPaint;

    // Disabling passes the state on to every child control.
    void SetEnabled(bool e) override;

    QWidget* ClientWidget() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    // The client area in the control's own coordinates.
    QRect ClientRect() const;

protected:
    void Resized() override;

private:
    class ClientArea;
    class FrameWidget;

    // Places the client area inside the frame again and lays the children
    // out in it.
    void RecalcFrame();
    void PaintFrame(QPainter& p);
    void PaintClient(QPainter& p);
    int CaptionHeight() const;

    FrameWidget* frame_;
    ClientArea* client_;
    std::string caption_;
    forms::TAlignment alignment_ = forms::taCenter;
    bool defaultDrawing_ = true;
    int frameSpace_ = 2;
    TScFrameStyle frameStyle_ = scfsGroup;
};

class TScGroup : public TScCustomGroup {
public:
    using TScCustomGroup::TScCustomGroup;
};

// A pane of a split layout. Its font is its parent's (Qt hands a parent's
// font down to children that set none of their own).
class TScPane : public TScGroup {
public:
    explicit TScPane(forms::TComponent* AOwner);
    int MinSize = 20;
    int Index = 0;
};

}  // namespace shell
