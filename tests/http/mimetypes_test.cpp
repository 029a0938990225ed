// The content type of a file from the MIME list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings.h"
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

// The index answers as the walk over the list does, over the default list and
// lists with repeated, blank, odd and case-differing lines.
TEST(HttpMimeTypes, IndexAnswersAsTheListDoes) {
    std::vector<std::string> builtIn;
    for (const core::tmimetype& m : core::BuiltInMimeTypes()) builtIn.push_back(core::MimeLine(m.Extension, m.Type));
    const std::vector<std::vector<std::string>> lists = {
        builtIn,
        {"txt   text/plain", "rtf   application/rtf", "rtf   text/rtf", "", "   odd/blank", "Gif   image/gif",
         "gif", "tar.gz   application/x-tgz", "gz   application/gzip", "x y z", " lead   text/lead", "txt   text/later"},
        {},
    };
    const std::vector<std::string> names = {
        "/www/a.html", "/www/A.HTML", "/www/a.htm", "/www/a.rtf", "/www/a.RTF", "/www/a.gif", "/www/a.GIF",
        "/www/a.tar.gz", "/www/a.gz", "/www/README", "/www/dir.png/README", "/www/.txt", "/www/a.", "/www/a..txt",
        "/www/a.txt", "/www/a.x", "/www/a.lead", "/www/a.png", "/www/a.jpeg", "/www/a.unknown", "", ".", "a.Txt",
    };
    for (size_t i = 0; i < lists.size(); ++i) {
        tmimelist list;
        list.Edit() = lists[i];
        tmimeindex index;
        index.Of(list);
        for (const std::string& name : names) {
            SCOPED_TRACE("list " + std::to_string(i) + ": " + name);
            EXPECT_EQ(index.ContentTypeOf(name), ContentTypeOf(lists[i], name));
        }
    }
}

// An index kept across requests follows the list when a line is added,
// changed in place or removed, and when it is asked about another list.
TEST(HttpMimeTypes, IndexFollowsTheList) {
    tmimelist mimes;
    mimes.Edit() = {"htm   text/html", "txt   text/plain"};
    tmimeindex index;
    EXPECT_EQ(index.Of(mimes).ContentTypeOf("a.htm"), "text/html");
    mimes.Edit().push_back("htm   text/later");
    EXPECT_EQ(index.Of(mimes).ContentTypeOf("a.htm"), "text/later");
    mimes.Edit()[1] = "txt   text/x-changed";
    EXPECT_EQ(index.Of(mimes).ContentTypeOf("a.txt"), "text/x-changed");
    mimes.Edit().erase(mimes.Edit().begin());
    mimes.Edit().pop_back();
    EXPECT_EQ(index.Of(mimes).ContentTypeOf("a.htm"), "*/*");
    tmimelist other;
    other.Edit() = {"htm   text/other"};
    EXPECT_EQ(index.Of(other).ContentTypeOf("a.htm"), "text/other");
    mimes.Edit().clear();
    EXPECT_EQ(index.Of(mimes).ContentTypeOf("a.txt"), "*/*");
}

}  // namespace
