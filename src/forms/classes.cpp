#include "forms/classes.h"

#include <QString>
#include <algorithm>
#include <stdexcept>

#include "forms/internal.h"

namespace forms {

TComponent::TComponent(TComponent* AOwner) : owner_(AOwner) {
    if (owner_) owner_->owned_.push_back(this);
}

TComponent::~TComponent() {
    // Last created first: children are made after their containers.
    while (!owned_.empty()) delete owned_.back();
    if (owner_) {
        auto& list = owner_->owned_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TComponent::SetName(const std::string& name) { name_ = name; }

static bool SameAsciiText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : owned_)
        if (SameAsciiText(c->name_, name)) return c;
    return nullptr;
}

int CompareText(const std::string& a, const std::string& b) {
    if (a == b) return 0;
    return QString::compare(detail::Q(a), detail::Q(b), Qt::CaseInsensitive);
}

void TStrings::CheckIndex(int Index, int limit) const {
    if (Index < 0 || Index >= limit)
        throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
}

int TStrings::Add(const std::string& S) {
    int at = Count();
    Insert(at, S);
    return at;
}

int TStrings::IndexOf(const std::string& S) const {
    const int n = Count();
    for (int i = 0; i < n; ++i)
        if (CompareText(Strings(i), S) == 0) return i;
    return -1;
}

std::string TStrings::Text() const {
    std::string out;
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        out += Strings(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const std::string& text) {
    Clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        size_t end = lf == std::string::npos ? text.size() : lf;
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        Add(line);
        pos = lf == std::string::npos ? text.size() : lf + 1;
    }
}

void TStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    std::vector<std::string> lines = source.ToVector();
    Clear();
    for (const auto& l : lines) Add(l);
}

std::vector<std::string> TStrings::ToVector() const {
    std::vector<std::string> out;
    const int n = Count();
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out.push_back(Strings(i));
    return out;
}

std::string TStringList::Strings(int Index) const {
    CheckIndex(Index, Count());
    return items_[static_cast<size_t>(Index)];
}

void TStringList::SetStrings(int Index, const std::string& S) {
    CheckIndex(Index, Count());
    items_[static_cast<size_t>(Index)] = S;
    Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
    CheckIndex(Index, Count() + 1);
    items_.insert(items_.begin() + Index, S);
    Changed();
}

void TStringList::Delete(int Index) {
    CheckIndex(Index, Count());
    items_.erase(items_.begin() + Index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void TStringList::Changed() {
    detail::Fire(OnChange, this);
}

}  // namespace forms
