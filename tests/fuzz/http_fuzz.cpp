// Feeds arbitrary bytes to the HTTP request intake as a buffered request, and
// maps its path over a small site on disk as the request step does. Whatever
// the bytes, a path that passes the safety test must map to a file inside the
// published folders, never above them; a redirect never names another host;
// the protected folder inside the web root is reached only with its password,
// whatever spelling of its path the bytes hold.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "core/session.h"
#include "netunit/base64.h"
#include "netunit/textutil.h"
#include "http/httprequest.h"
#include "http/mimetypes.h"
#include "http/urlmap.h"
#include "http/urlpath.h"

namespace {

struct Site {
    std::string dir;
    core::AccountList accounts;
    core::RecordList<core::twebdomain> domains;
    core::RecordList<core::tvirtualpath> virtualPaths;
    core::RecordList<core::tscripttype> scriptTypes;
    http::UrlMapConfig config;
};

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

Site& TheSite() {
    static Site* site = [] {
        auto* s = new Site;
        char pattern[] = "/tmp/qn-http-fuzz-XXXXXX";
        s->dir = std::string(::mkdtemp(pattern)) + "/";
        for (const char* folder : {"www", "www/sub", "www/locked", "docs", "cgi", "home", "home/bob", "home/bob/www"})
            ::mkdir((s->dir + folder).c_str(), 0755);
        for (const char* file : {"www/index.html", "www/sub/a.php", "www/locked/a.txt", "docs/a.htm", "cgi/run", "home/bob/www/p.htm",
                                 "secret"})
            Touch(s->dir + file);
        auto bob = std::make_unique<core::tuseraccount>();
        bob->UserName = "bob";
        bob->WebAllowed = true;
        bob->WebSite = "http://<All Domains>/";
        s->accounts.push_back(std::move(bob));
        auto docs = std::make_unique<core::tvirtualpath>();
        docs->Alias = "docs";
        docs->Domain = "default";
        docs->LocalPath = s->dir + "docs";
        s->virtualPaths.push_back(std::move(docs));
        auto locked = std::make_unique<core::tvirtualpath>();
        locked->Alias = "locked";
        locked->Domain = "default";
        locked->LocalPath = s->dir + "www/locked";
        locked->AuthOn = true;
        locked->GrantLogin = true;
        locked->LoginUser = "keeper";
        locked->LoginPassword = "k3y";
        s->virtualPaths.push_back(std::move(locked));
        auto php = std::make_unique<core::tscripttype>();
        php->Extension = "php";
        php->Interpreter = "/bin/sh";
        php->OutsideCgiFolder = true;
        s->scriptTypes.push_back(std::move(php));
        s->config.WebDir = s->dir + "www";
        s->config.WebIndex = "index.html";
        s->config.CgiEnabled = true;
        s->config.CgiDir = s->dir + "cgi";
        s->config.CgiAlias = "cgi-bin";
        s->config.HomeDir = s->dir + "home/";
        s->config.Accounts = &s->accounts;
        s->config.WebDomains = &s->domains;
        s->config.VirtualPaths = &s->virtualPaths;
        s->config.ScriptTypes = &s->scriptTypes;
        return s;
    }();
    return *site;
}

bool Inside(const std::string& path, const std::string& folder) {
    return path.compare(0, folder.size(), folder) == 0 && path.find("/..") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string buffer(reinterpret_cast<const char*>(data), size);
    std::string contentLength;
    const http::Intake intake = http::ExamineRequest(buffer, contentLength);
    const std::string line = http::RequestLine(buffer);
    http::AllHttpVariables(http::HeaderLines(buffer));
    std::string host;
    http::FindHeader(buffer, "host", host);
    http::QueryString(http::RequestPath(line));
    http::ContentTypeOf({"txt   text/plain", "", "  x"}, buffer);
    if (intake != http::Intake::kComplete) return 0;

    Site& site = TheSite();
    tsession session;
    std::string value;
    if (http::FindHeader(buffer, "authorization", value)) session.Credentials = http::AuthorizationToken(value);
    const http::UrlMapping mapping =
        http::MapUrl(site.config, &session, netunit::TrimSpaces(host), http::RequestPath(line));
    if (mapping.Redirect && mapping.LocalPath.compare(0, 2, "//") == 0) std::abort();
    if (!mapping.Unsafe && mapping.Target.substr(0, mapping.QueryAt).find("//") != std::string::npos) std::abort();
    const bool admitted = session.Credentials == netunit::Base64Credentials("keeper", "k3y");
    if (!admitted && (Inside(mapping.LocalPath, site.dir + "www/locked") ||
                      Inside(mapping.ListingFolder, site.dir + "www/locked")))
        std::abort();
    if (mapping.Target.empty() || mapping.Unsafe || mapping.Redirect) return 0;
    if (!mapping.LocalPath.empty() && !Inside(mapping.LocalPath, site.dir + "www/") &&
        !Inside(mapping.LocalPath, site.dir + "docs/") && !Inside(mapping.LocalPath, site.dir + "cgi/") &&
        !Inside(mapping.LocalPath, site.dir + "home/bob/www/"))
        std::abort();
    if (!mapping.ListingFolder.empty() && mapping.ListingFolder.find("/..") != std::string::npos) std::abort();
    return 0;
}
