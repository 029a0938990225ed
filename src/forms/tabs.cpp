// Tabbed notebooks and page controls. Pages are placed by this layer so that
// every page has its size whether it is shown or not.
#include <QFrame>
#include <QTabBar>
#include <algorithm>

#include "forms/comctrls.h"
#include "forms/internal.h"

namespace forms {

using detail::Fire;
using detail::Q;

namespace {
constexpr int kPageMargin = 2;  // frame around the page area

QFrame* NewPageWidget() {
    auto* w = new QFrame;
    w->setFrameShape(QFrame::StyledPanel);
    return w;
}
}  // namespace

TTabControlBase::TTabControlBase(TComponent* AOwner) : TWinControl(AOwner) {
    auto* w = new QWidget;
    bar_ = new QTabBar(w);
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    QObject::connect(bar_, &QTabBar::currentChanged, Events(), [this](int i) {
        if (i == current_) return;
        ShowPage(i);
        UserChangedPage();
    });
    SetWidget(w);
}

TTabControlBase::~TTabControlBase() { DropEvents(); }

void TTabControlBase::AddPageWidget(TWinControl* page, const std::string& caption) {
    pages_.push_back(page);
    {
        const QSignalBlocker block(bar_);
        bar_->addTab(Q(caption));
    }
    PlacePages();
    if (current_ < 0) {
        ShowPage(0);
    } else {
        page->SetVisible(false);
    }
}

void TTabControlBase::RemovePageWidget(TWinControl* page) {
    const int i = IndexOfPage(page);
    if (i < 0) return;
    pages_.erase(pages_.begin() + i);
    {
        const QSignalBlocker block(bar_);
        bar_->removeTab(i);
    }
    if (current_ == i)
        ShowPage(pages_.empty() ? -1 : std::min(i, PageCount() - 1));
    else if (current_ > i)
        ShowPage(current_ - 1);
}

void TTabControlBase::SetPageCaption(TWinControl* page, const std::string& caption) {
    const int i = IndexOfPage(page);
    if (i >= 0) bar_->setTabText(i, Q(caption));
    PlacePages();
}

int TTabControlBase::IndexOfPage(const TWinControl* page) const {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TTabControlBase::ShowPage(int i) {
    current_ = i;
    if (i >= 0) {
        const QSignalBlocker block(bar_);
        bar_->setCurrentIndex(i);
    }
    for (int j = 0; j < PageCount(); ++j) pages_[static_cast<size_t>(j)]->SetVisible(j == i);
}

void TTabControlBase::Resized() {
    TWinControl::Resized();
    PlacePages();
}

void TTabControlBase::PlacePages() {
    const int barHeight = bar_->sizeHint().height();
    bar_->setGeometry(0, 0, Width(), barHeight);
    for (TWinControl* p : pages_)
        p->SetBounds(0, barHeight, Width(), std::max(Height() - barHeight, 0));
}

TTabPage::TTabPage(TComponent* AOwner) : TWinControl(AOwner) { SetWidget(NewPageWidget()); }

void TTabPage::SetCaption(const std::string& c) {
    caption_ = c;
    if (auto* notebook = dynamic_cast<TTabbedNotebook*>(Parent())) notebook->SetPageCaption(this, c);
}

TTabbedNotebook::TTabbedNotebook(TComponent* AOwner) : TTabControlBase(AOwner) {}

TTabPage* TTabbedNotebook::AddPage(const std::string& caption) {
    auto* page = new TTabPage(this);
    page->caption_ = caption;
    page->SetParent(this);
    AddPageWidget(page, caption);
    return page;
}

TTabPage* TTabbedNotebook::Page(int Index) const { return static_cast<TTabPage*>(PageAt(Index)); }

void TTabbedNotebook::SetPageIndex(int i) {
    if (i < 0 || i >= PageCount()) return;
    ShowPage(i);
}

std::string TTabbedNotebook::ActivePage() const {
    return CurrentIndex() < 0 ? std::string() : Page(CurrentIndex())->Caption();
}

void TTabbedNotebook::UserChangedPage() {
    Fire(OnChange, this);
    Fire(OnClick, this);
}

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) { SetWidget(NewPageWidget()); }

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePageWidget(this);
}

void TTabSheet::SetPageControl(TPageControl* pc) {
    if (pc == pageControl_) return;
    if (pageControl_) pageControl_->RemovePageWidget(this);
    pageControl_ = pc;
    SetParent(pc);
    if (pc) pc->AddPageWidget(this, caption_);
}

void TTabSheet::SetCaption(const std::string& c) {
    caption_ = c;
    if (pageControl_) pageControl_->SetPageCaption(this, c);
}

int TTabSheet::PageIndex() const { return pageControl_ ? pageControl_->IndexOfPage(this) : -1; }

TPageControl::TPageControl(TComponent* AOwner) : TTabControlBase(AOwner) {}

TPageControl::~TPageControl() {
    DropEvents();
    for (int i = 0; i < PageCount(); ++i) static_cast<TTabSheet*>(PageAt(i))->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const { return static_cast<TTabSheet*>(PageAt(Index)); }

void TPageControl::SetActivePageIndex(int i) {
    if (i < -1 || i >= PageCount()) return;
    ShowPage(i);
}

TTabSheet* TPageControl::ActivePage() const {
    return CurrentIndex() < 0 ? nullptr : Pages(CurrentIndex());
}

void TPageControl::SetActivePage(TTabSheet* sheet) {
    const int i = sheet ? IndexOfPage(sheet) : -1;
    if (sheet && i < 0) return;
    ShowPage(i);
}

void TPageControl::UserChangedPage() { Fire(OnChange, this); }

}  // namespace forms
