// The content type of a file from the MIME list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/mimetypes.h"

using namespace http;

namespace {

TEST(HttpMimeTypes, LookupTable) {
    const std::vector<std::string> mimes = {
        "txt   text/plain", "rtf   application/rtf", "png   image/png", "rtf   text/rtf",
        "",                 "txt   text/later",      "   odd/blank",    "Gif   image/gif",
    };
    struct Row {
        int line;
        std::string file;
        std::string type;
    };
    const std::vector<Row> rows = {
        {__LINE__, "/www/a.png", "image/png"},
        {__LINE__, "/www/A.PNG", "image/png"},        // the file's extension is lower-cased
        {__LINE__, "/www/a.rtf", "text/rtf"},         // the later line wins
        {__LINE__, "/www/notes.TXT", "text/later"},
        {__LINE__, "/www/a.gif", "*/*"},              // the list's word is compared exactly
        {__LINE__, "/www/a.unknown", "*/*"},
        {__LINE__, "/www/README", "*/*"},             // no extension matches no blank line
        {__LINE__, "/www/dir.png/README", "*/*"},     // a dot in a folder is no extension
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(ContentTypeOf(mimes, row.file), row.type);
    }
    std::string type = "untouched";
    EXPECT_FALSE(MimeTypeOfExt(mimes, "zip", type));
    EXPECT_EQ(type, "untouched");
    EXPECT_TRUE(MimeTypeOfExt(mimes, "txt", type));
    EXPECT_EQ(type, "text/later");
}

}  // namespace
