// Base classes of the component layer: objects, owned and named components,
// and the string lists that list controls expose as their Items.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace forms {

class TObject;
class TComponent;

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TObject {
public:
    virtual ~TObject() = default;
};

// A component: named, owned, carries a Tag. An owner deletes the components it
// owns (last created first) when it is deleted itself.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);
    intptr_t Tag = 0;

    // Finds an owned component by name, ignoring ASCII case as the class
    // library does; nullptr when there is none.
    TComponent* FindComponent(const std::string& name) const;
    const std::vector<TComponent*>& Components() const { return owned_; }
    int ComponentCount() const { return static_cast<int>(owned_.size()); }

private:
    TComponent* owner_;
    std::string name_;
    std::vector<TComponent*> owned_;
};

// Compares two UTF-8 texts ignoring case (the order sorted lists use):
// negative, zero or positive.
int CompareText(const std::string& a, const std::string& b);

// An indexed list of UTF-8 lines. Indexes are 0-based; an index out of range
// throws std::out_of_range (the class library raises "List index out of
// bounds"), which the handler guard reports.
class TStrings {
public:
    virtual ~TStrings() = default;

    virtual int Count() const = 0;
    virtual std::string Strings(int Index) const = 0;
    virtual void SetStrings(int Index, const std::string& S) = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    // Appends (a sorted list places the line in order); returns its index.
    virtual int Add(const std::string& S);
    // First line equal to S ignoring case, or -1.
    virtual int IndexOf(const std::string& S) const;

    std::string operator[](int Index) const { return Strings(Index); }
    // All lines, each followed by CR LF; setting splits at LF and drops CR.
    std::string Text() const;
    void SetText(const std::string& text);
    void Assign(const TStrings& source);
    std::vector<std::string> ToVector() const;

protected:
    void CheckIndex(int Index, int limit) const;
};

// A plain string list in memory; OnChange runs after every change.
class TStringList : public TStrings {
public:
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Strings(int Index) const override;
    void SetStrings(int Index, const std::string& S) override;
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    std::function<void(TStringList*)> OnChange;

private:
    void Changed();
    std::vector<std::string> items_;
};

}  // namespace forms
