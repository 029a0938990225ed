#include "core/settings.h"

#include <string>

#include "netunit/files.h"

namespace core {
namespace {

constexpr const char* kResolvConf = "/etc/resolv.conf";
constexpr std::size_t kDefaultNameServers = 2;

// A dotted IPv4 address: four numbers of 0 to 255.
bool IsDottedQuad(const std::string& text) {
    int parts = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find('.', at);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(at, end - at);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) > 255)
            return false;
        ++parts;
        at = end + 1;
    }
    return parts == 4;
}

// The blank- or tab-separated words of a line.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = line.find_first_not_of(" \t\r");
    while (at != std::string::npos) {
        const std::size_t end = line.find_first_of(" \t\r", at);
        words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? end : line.find_first_not_of(" \t\r", end);
    }
    return words;
}

}  // namespace

const std::vector<tmimetype>& BuiltInMimeTypes() {
    static const std::vector<tmimetype> table = {
        {"ez", "application/andrew-inset"},
        {"hqx", "application/mac-binhex40"},
        {"cpt", "application/mac-compactpro"},
        {"doc", "application/msword"},
        {"bin", "application/octet-stream"},
        {"dms", "application/octet-stream"},
        {"lha", "application/octet-stream"},
        {"lzh", "application/octet-stream"},
        {"exe", "application/octet-stream"},
        {"class", "application/octet-stream"},
        {"oda", "application/oda"},
        {"pdf", "application/pdf"},
        {"ai", "application/postscript"},
        {"eps", "application/postscript"},
        {"ps", "application/postscript"},
        {"rtf", "application/rtf"},
        {"smi", "application/smil"},
        {"smil", "application/smil"},
        {"mif", "application/vnd.mif"},
        {"xls", "application/vnd.ms-excel"},
        {"ppt", "application/vnd.ms-powerpoint"},
        {"bcpio", "application/x-bcpio"},
        {"vcd", "application/x-cdlink"},
        {"pgn", "application/x-chess-pgn"},
        {"cpio", "application/x-cpio"},
        {"csh", "application/x-csh"},
        {"dcr", "application/x-director"},
        {"dir", "application/x-director"},
        {"dxr", "application/x-director"},
        {"dvi", "application/x-dvi"},
        {"spl", "application/x-futuresplash"},
        {"gtar", "application/x-gtar"},
        {"hdf", "application/x-hdf"},
        {"js", "application/x-javascript"},
        {"skp", "application/x-koan"},
        {"skd", "application/x-koan"},
        {"skt", "application/x-koan"},
        {"skm", "application/x-koan"},
        {"latex", "application/x-latex"},
        {"nc", "application/x-netcdf"},
        {"cdf", "application/x-netcdf"},
        {"sh", "application/x-sh"},
        {"shar", "application/x-shar"},
        {"swf", "application/x-shockwave-flash"},
        {"sit", "application/x-stuffit"},
        {"sv4cpio", "application/x-sv4cpio"},
        {"sv4crc", "application/x-sv4crc"},
        {"tar", "application/x-tar"},
        {"tcl", "application/x-tcl"},
        {"tex", "application/x-tex"},
        {"texinfo", "application/x-texinfo"},
        {"texi", "application/x-texinfo"},
        {"t", "application/x-troff"},
        {"tr", "application/x-troff"},
        {"roff", "application/x-troff"},
        {"man", "application/x-troff-man"},
        {"me", "application/x-troff-me"},
        {"ms", "application/x-troff-ms"},
        {"ustar", "application/x-ustar"},
        {"src", "application/x-wais-source"},
        {"zip", "application/zip"},
        {"au", "audio/basic"},
        {"snd", "audio/basic"},
        {"mid", "audio/midi"},
        {"midi", "audio/midi"},
        {"kar", "audio/midi"},
        {"mpga", "audio/mpeg"},
        {"mp2", "audio/mpeg"},
        {"mp3", "audio/mpeg"},
        {"aif", "audio/x-aiff"},
        {"aiff", "audio/x-aiff"},
        {"aifc", "audio/x-aiff"},
        {"ram", "audio/x-pn-realaudio"},
        {"rm", "audio/x-pn-realaudio"},
        {"rpm", "audio/x-pn-realaudio-plugin"},
        {"ra", "audio/x-realaudio"},
        {"wav", "audio/x-wav"},
        {"pdb", "chemical/x-pdb"},
        {"xyz", "chemical/x-pdb"},
        {"bmp", "image/bmp"},
        {"gif", "image/gif"},
        {"ief", "image/ief"},
        {"jpeg", "image/jpeg"},
        {"jpg", "image/jpeg"},
        {"jpe", "image/jpeg"},
        {"png", "image/png"},
        {"tiff", "image/tiff"},
        {"tif", "image/tiff"},
        {"ras", "image/x-cmu-raster"},
        {"pnm", "image/x-portable-anymap"},
        {"pbm", "image/x-portable-bitmap"},
        {"pgm", "image/x-portable-graymap"},
        {"ppm", "image/x-portable-pixmap"},
        {"rgb", "image/x-rgb"},
        {"xbm", "image/x-xbitmap"},
        {"xpm", "image/x-xpixmap"},
        {"xwd", "image/x-xwindowdump"},
        {"igs", "model/iges"},
        {"iges", "model/iges"},
        {"msh", "model/mesh"},
        {"mesh", "model/mesh"},
        {"silo", "model/mesh"},
        {"wrl", "model/vrml"},
        {"vrml", "model/vrml"},
        {"css", "text/css"},
        {"html", "text/html"},
        {"htm", "text/html"},
        {"asc", "text/plain"},
        {"txt", "text/plain"},
        {"rtx", "text/richtext"},
        {"rtf", "text/rtf"},
        {"sgml", "text/sgml"},
        {"sgm", "text/sgml"},
        {"tsv", "text/tab-separated-values"},
        {"etx", "text/x-setext"},
        {"xml", "text/xml"},
        {"mpeg", "video/mpeg"},
        {"mpg", "video/mpeg"},
        {"mpe", "video/mpeg"},
        {"qt", "video/quicktime"},
        {"mov", "video/quicktime"},
        {"avi", "video/x-msvideo"},
        {"movie", "video/x-sgi-movie"},
        {"ice", "x-conference/x-cooltalk"},
    };
    return table;
}

std::string MimeLine(const std::string& Extension, const std::string& Type) {
    return Extension + std::string(kMimeSeparator) + Type;
}

std::vector<std::string> NameServersOf(const std::string& ResolvConf) {
    std::vector<std::string> servers;
    std::size_t at = 0;
    while (at < ResolvConf.size() && servers.size() < kDefaultNameServers) {
        std::size_t end = ResolvConf.find('\n', at);
        if (end == std::string::npos) end = ResolvConf.size();
        const std::vector<std::string> words = Words(ResolvConf.substr(at, end - at));
        at = end + 1;
        if (words.size() >= 2 && words[0] == "nameserver" && IsDottedQuad(words[1])) servers.push_back(words[1]);
    }
    return servers;
}

void DefaultRelayDns(std::string& Primary, std::string& Secondary) {
    std::string text;
    netunit::ReadWholeFile(kResolvConf, text);
    const std::vector<std::string> servers = NameServersOf(text);
    Primary = servers.size() > 0 ? servers[0] : std::string();
    Secondary = servers.size() > 1 ? servers[1] : std::string();
}

int32_t ChoiceIndex(int64_t Stored, int32_t Count, int32_t Default) {
    return Stored >= 0 && Stored < Count ? static_cast<int32_t>(Stored) : Default;
}

}  // namespace core
