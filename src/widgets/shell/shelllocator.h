// A persistent reference to a shell folder: an absolute item-id list or a
// special folder number. Its owner hooks OnChange.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "widgets/shell/shelltypes.h"

namespace shell {

class TScShellLocator {
public:
    TScShellLocator() = default;
    ~TScShellLocator();
    TScShellLocator(const TScShellLocator&) = delete;
    TScShellLocator& operator=(const TScShellLocator&) = delete;

    enum TKind : uint8_t { lkIdList = 0, lkSpecialFolder = 1 };

    // Kind 0: the list; kind 1: the special folder's list, asked on first
    // use and kept.
    PCItemIDList IdList();
    void SetIdList(PCItemIDList list);
    // Parses the path; a path that does not parse makes the locator name
    // the desktop.
    void SetPath(const std::string& path);
    std::string Path();
    void Clear() { SetIdList(nullptr); }
    bool Equals(TScShellLocator* other);
    // nullptr source: forgets the list (Change when one was held).
    void Assign(TScShellLocator* source);
    // A special folder (kind 1).
    void SetSpecialFolder(int folder);

    TKind Kind() const { return kind_; }
    int SpecialFolder() const { return folder_; }
    bool HoldsList() const { return list_ != nullptr; }

    // The form-resource property "Pidl": present only when a list is held
    // or the kind is 1.
    bool HasStoredData() const { return list_ != nullptr || kind_ == lkSpecialFolder; }
    std::string WritePidl() const;
    // Reads the written form; false for a truncated one (the locator then
    // names the desktop).
    bool ReadPidl(const std::string& bytes);

    std::function<void(TScShellLocator*)> OnChange;

protected:
    virtual void Change();

private:
    void FreeList();
    TKind kind_ = lkIdList;
    PItemIDList list_ = nullptr;
    int folder_ = 0;
};

}  // namespace shell
