// Pages with server-side includes: a directive is the text between "<!--#"
// and the next "-->"; the one command is include, with a key "file" (a name
// in the page's own folder) or "virtual" (a path below the site's root) and
// a value, usually quoted. Plain functions of texts, with no disk.
#pragma once

#include <cstddef>
#include <string>

namespace http {

constexpr char kDirectiveStart[] = "<!--#";
constexpr size_t kDirectiveStartLength = 5;
constexpr char kDirectiveEnd[] = "-->";
constexpr size_t kDirectiveEndLength = 3;

// Page text is gathered up to this many characters before it is sent.
constexpr size_t kPagePiece = 4096;
// A directive not closed within this many characters ends the page.
constexpr size_t kDirectiveSearchLimit = 65536;

struct IncludeDirective {
    bool Include = false;  // the command is include; anything else is dropped
    std::string Key;       // lower-cased
    std::string Value;     // without its quotes
};

// Directive is the text between "<!--#" and "-->".
IncludeDirective ParseDirective(const std::string& Directive);

// The file an include names, or "" when it names none that may be included:
// a "file" value must stay in the page's folder (not absolute, no ".."), a
// "virtual" value below the site's root (no ".."); any other key includes
// nothing. PageFolder and DocumentRoot end in "/" or are completed so.
std::string IncludePath(const IncludeDirective& Directive, const std::string& PageFolder,
                        const std::string& DocumentRoot);

}  // namespace http
