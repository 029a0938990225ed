// The content type sent for a file, from the MIME list: lines of an
// extension (without its dot), blanks, and a type.
#pragma once

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

// The MIME list by extension, so a request costs one lookup instead of a walk
// over every line. Built from a copy of the list and rebuilt whenever the list
// differs from that copy; it answers as ContentTypeOf over the list does.
class tmimeindex {
public:
    // This index, brought in line with MimeTypes first when they differ.
    const tmimeindex& Of(const std::vector<std::string>& MimeTypes);
    std::string ContentTypeOf(const std::string& FileName) const;

private:
    bool built_ = false;
    std::vector<std::string> lines_;
    std::unordered_map<std::string, std::string> types_;  // extension -> type of its last line
};

}  // namespace http
