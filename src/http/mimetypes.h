// The content type sent for a file, from the MIME list: lines of an
// extension (without its dot), blanks, and a type.
#pragma once

#include <string>
#include <vector>

namespace http {

// The type of the last line whose first word is exactly Extension (the list
// is walked to its end, so a later line wins). False when no line names it.
bool MimeTypeOfExt(const std::vector<std::string>& MimeTypes, const std::string& Extension, std::string& Type);

// The type for the file's lower-cased extension, or "*/*" when the list has
// none.
std::string ContentTypeOf(const std::vector<std::string>& MimeTypes, const std::string& FileName);

}  // namespace http
