// The content type sent for a file, from the MIME list: lines of an
// extension (without its dot), blanks, and a type.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace http {

// The type of the last line whose first word is exactly Extension (the list
// is walked to its end, so a later line wins). False when no line names it.
bool MimeTypeOfExt(const std::vector<std::string>& MimeTypes, const std::string& Extension, std::string& Type);

// The type for the file's lower-cased extension, or "*/*" when the list has
// none.
std::string ContentTypeOf(const std::vector<std::string>& MimeTypes, const std::string& FileName);

// The MIME list's lines with a count of their changes. Every change goes
// through Edit(), which counts it, so that an index of the list knows it is
// out of date without comparing every line on every request. Take Edit() for
// a change made at once, not to keep.
class tmimelist {
public:
    const std::vector<std::string>& Lines() const { return lines_; }
    std::vector<std::string>& Edit() {
        ++version_;
        return lines_;
    }
    uint64_t Version() const { return version_; }

private:
    std::vector<std::string> lines_;
    uint64_t version_ = 0;
};

// The MIME list by extension, so a request costs one lookup instead of a walk
// over every line. Rebuilt whenever the list has changed since it was built;
// it answers as ContentTypeOf over the list does.
class tmimeindex {
public:
    // This index, brought in line with the list first when it has changed.
    const tmimeindex& Of(const tmimelist& MimeTypes);
    std::string ContentTypeOf(const std::string& FileName) const;

private:
    const tmimelist* source_ = nullptr;
    uint64_t version_ = 0;
    std::unordered_map<std::string, std::string> types_;  // extension -> type of its last line
};

}  // namespace http
