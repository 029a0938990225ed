#include "http/urlmap.h"

#include <utility>

#include "core/recordlookup.h"
#include "core/session.h"
#include "http/urlpath.h"
#include "http/webauth.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"

namespace http {
namespace {

// An account whose web site text begins so has its web folder on every host.
constexpr char kAllDomainsSite[] = "http://<All Domains>/";
// The web site text's host starts after "http://".
constexpr int kSiteSchemeLength = 7;
constexpr char kUserWebFolder[] = "/www";
constexpr char kIncludeExtension[] = ".shtml";

std::string TypeExtension(const core::tscripttype& Type) {
    return "." + netunit::AsciiLowerCase(netunit::TrimSpacesCR(Type.Extension));
}

bool EndsWithSlash(const std::string& Text) { return !Text.empty() && Text.back() == netunit::kPathDelimiter; }

// A program named by its file: an extension library, a program, or neither.
ScriptKind KindOfProgram(const std::string& Program) {
    const std::string extension = LowerExtension(Program);
    if (extension == ".dll" || extension == ".so") return {false, true};
    if (extension == ".exe" || netunit::IsExecutableFile(Program)) return {true, false};
    return {};
}

// The first place where Extension ends a name in Path: followed by "/" or the
// end, so that ".sh" is no extension of "page.shtml".
size_t WholeExtensionAt(const std::string& Path, const std::string& Extension) {
    for (size_t at = Path.find(Extension); at != std::string::npos; at = Path.find(Extension, at + 1)) {
        const size_t end = at + Extension.size();
        if (end == Path.size() || Path[end] == '/') return at;
    }
    return std::string::npos;
}

// Cuts the relative path after the earliest script extension it holds, so
// that "a.php/more" runs a.php with "/more" as extra path. True when there is
// extra path.
bool SplitScriptPath(const core::RecordList<core::tscripttype>& Types, std::string& Relative, tsession* Session) {
    const std::string lower = netunit::AsciiLowerCase(Relative);
    size_t cut = Relative.size();
    for (const auto& type : Types) {
        const std::string extension = TypeExtension(*type);
        const size_t at = WholeExtensionAt(lower, extension);
        if (at != std::string::npos && at < cut) cut = at + extension.size();
    }
    if (Relative.size() > cut) {
        Session->Url = Relative.substr(cut);
        Relative.resize(cut);
        Session->ScriptName = "/" + Relative;
        return true;
    }
    Session->Url = "/" + Relative;
    Session->ScriptName = "/" + Relative;
    return false;
}

// A protected record refuses the session unless its credentials pass; a
// virtual path's own login then names the session's user.
bool Admitted(const UrlMapConfig& Config, tsession* Session, const core::twebaccess& Record, bool NamesUser) {
    const Admission admission = CheckWebCredentials(Record, *Config.Accounts, Session->Credentials);
    if (admission == Admission::kLogin && NamesUser) {
        Session->SetUserName(Record.LoginUser);
        Session->SetPassword(Record.LoginPassword);
    }
    return admission != Admission::kRefused;
}

// True when Path, its links followed, lies in the CGI folder (resolved as
// CgiFolder; empty when there is none).
bool InCgiFolder(const std::string& CgiFolder, const std::string& Path) {
    return !CgiFolder.empty() && netunit::IsInsideFolder(netunit::ResolvedPath(Path), CgiFolder);
}

// Answered as a missing file: nothing sent, listed, run or redirected to.
UrlMapping NotFound(UrlMapping Mapping) {
    Mapping.LocalPath.clear();
    Mapping.ListingFolder.clear();
    Mapping.Redirect = Mapping.Cgi = Mapping.Isapi = false;
    return Mapping;
}

}  // namespace

std::string DocumentRootFor(const UrlMapConfig& Config, tsession* Session, std::string& Host, bool& AuthFailed) {
    const std::string_view name = core::HostName(Host);
    for (const auto& domain : *Config.WebDomains) {
        if (!core::SameTextAscii(domain->DomainName, name)) continue;
        if (domain->AuthOn && !Admitted(Config, Session, *domain, false)) {
            AuthFailed = true;
            Session->Realm = domain->DomainName;
        }
        return netunit::FromFolder(Config.ProgramDir, domain->LocalRoot);
    }
    Host = "default";
    return Config.WebDir;
}

std::string FindDefaultDocument(const UrlMapConfig& Config, const std::string& Folder, bool* Present) {
    if (Present != nullptr) *Present = false;
    std::string first;
    size_t at = 0;
    const std::string& list = Config.WebIndex;
    for (bool isFirst = true; at < list.size(); isFirst = false) {
        size_t end = list.find(';', at);
        if (end == std::string::npos) end = list.size();
        const std::string field = netunit::TrimSpaces(list.substr(at, end - at));
        at = end + 1;
        if (isFirst) first = field;
        if (field.empty()) break;
        if (netunit::WideFileExists(Folder + field)) {
            if (Present != nullptr) *Present = true;
            return field;
        }
    }
    return first;
}

ScriptKind GetScriptKind(const UrlMapConfig& Config, const std::string& Path, bool InCgiFolder) {
    const std::string extension = LowerExtension(Path);
    if (extension == ".exe") return {true, false};
    if (extension == ".dll" || extension == ".so") return {false, true};
    for (const auto& type : *Config.ScriptTypes)
        if (TypeExtension(*type) == extension) return KindOfProgram(netunit::TrimSpacesCR(type->Interpreter));
    if (InCgiFolder && netunit::IsExecutableFile(Path)) return {true, false};
    return {};
}

UrlMapping MapUrl(const UrlMapConfig& Config, tsession* Session, std::string Host, const std::string& Url) {
    if (Url.empty()) return {};
    RequestTarget request;
    const size_t query = Url.find('?');
    request.Path = Url.substr(0, query);
    request.HasQuery = query != std::string::npos;
    if (request.HasQuery) request.Query = Url.substr(query + 1);
    return MapUrl(Config, Session, std::move(Host), request);
}

UrlMapping MapUrl(const UrlMapConfig& Config, tsession* Session, std::string Host, const RequestTarget& Request) {
    UrlMapping mapping;
    if (Request.Path.empty() && !Request.HasQuery) return mapping;

    // Everything below matches this one spelling of the path, so that no
    // other spelling passes a virtual path, the program folder or a password.
    std::string relative;
    const bool canonical = CanonicalRelativePath(Request.Path, relative);
    const std::string queryPart = Request.HasQuery ? "?" + Request.Query : std::string();
    const std::string redirectUrl = FolderRedirectUrl(relative, queryPart);
    mapping.Target = "/" + relative + queryPart;
    if (Request.HasQuery) mapping.QueryAt = 1 + relative.size();
    Session->Target = netunit::Utf8ToWide(mapping.Target);
    if (!canonical || !IsSafePath(mapping.Target, mapping.QueryAt)) {
        mapping.Unsafe = true;
        return mapping;
    }
    const bool extraPath = SplitScriptPath(*Config.ScriptTypes, relative, Session);
    const std::string urlPath = relative;

    std::string root = DocumentRootFor(Config, Session, Host, mapping.AuthFailed);
    if (mapping.AuthFailed) return mapping;
    if (root.empty()) {
        Session->DocumentRoot.clear();
        return mapping;
    }
    root = netunit::AddBackslash(root);
    Session->DocumentRoot = root;

    ScriptKind kind;
    bool takenOver = false;
    bool inUserFolder = false;
    bool inCgiFolder = false;
    std::string first;
    const bool hasFirst = FirstComponent(relative, first);
    int index = -1;
    core::tvirtualpath* virtualPath = nullptr;
    if (Config.CgiEnabled && !Config.CgiDir.empty() && !Config.CgiAlias.empty() && hasFirst &&
        core::SameTextAscii(Config.CgiAlias, first)) {
        relative = netunit::AddBackslash(Config.CgiDir) + relative.substr(first.size() + 1);
        inCgiFolder = true;
        kind = GetScriptKind(Config, relative, true);
        takenOver = true;
    } else if (core::FindVirtualPath(*Config.VirtualPaths, urlPath, Host, index, virtualPath)) {
        Session->Realm = virtualPath->Alias;
        if (virtualPath->AuthOn && !Admitted(Config, Session, *virtualPath, true)) {
            mapping.AuthFailed = true;
            return mapping;
        }
        // A folder left empty must map nothing rather than the file system's root.
        if (virtualPath->LocalPath.empty()) return mapping;
        relative = netunit::AddBackslash(netunit::FromFolder(Config.ProgramDir, virtualPath->LocalPath)) + netunit::CopyToEnd(relative, static_cast<int>(virtualPath->Alias.size()) + 2);
        if (!EndsWithSlash(urlPath) && EndsWithSlash(relative)) relative.pop_back();
        takenOver = true;
    } else {
        for (const auto& account : *Config.Accounts) {
            // A nameless account has no web folder: it would match the site's root.
            if (!account->WebAllowed || account->UserName.empty()) continue;
            std::string component;
            const bool hasComponent = FirstComponent(relative, component);
            if (account->UserName == relative) {
                mapping.Redirect = true;
            } else if (hasComponent && account->UserName == component &&
                       (account->WebSite.starts_with(kAllDomainsSite) ||
                        netunit::CopyToEnd(account->WebSite, kSiteSchemeLength + 1).starts_with(core::HostName(Host)))) {
                relative = Config.HomeDir + account->UserName + kUserWebFolder + relative.substr(component.size());
                inUserFolder = true;
                takenOver = true;
            }
        }
    }
    if (!takenOver) relative = root + relative;

    // What lies in the CGI folder is reached through its alias only: through
    // a root, a virtual path, a user's folder or a link, under whatever name,
    // it is neither sent, listed nor run. Through the alias its folders are
    // not listed either.
    const std::string cgiFolder = Config.CgiDir.empty() ? std::string() : netunit::ResolvedPath(Config.CgiDir);
    bool hidden = InCgiFolder(cgiFolder, relative);
    if (hidden && !inCgiFolder) return NotFound(std::move(mapping));

    // One look at the name answers both the folder and the file test; a
    // welcome file was looked at when it was chosen.
    const netunit::tnamekind found = netunit::WideNameKind(relative);
    bool isFile = found.File;
    std::string folder;
    if (found.Folder) {
        if (EndsWithSlash(relative)) {
            folder = relative;
            relative += FindDefaultDocument(Config, relative, &isFile);
        } else {
            mapping.Redirect = true;
        }
    }
    if (!folder.empty()) hidden = InCgiFolder(cgiFolder, relative);
    if (hidden && (!inCgiFolder || (!isFile && !mapping.Redirect))) return NotFound(std::move(mapping));
    if (Config.SsiEnabled && LowerExtension(relative) == kIncludeExtension) Session->IsSsi = true;

    if (mapping.Redirect) {
        // A location that begins "//" names another host: never send a client there.
        if (redirectUrl.starts_with("//")) {
            mapping.Redirect = false;
            return mapping;
        }
        mapping.LocalPath = redirectUrl;
        return mapping;
    }

    if (!isFile) {
        mapping.ListingFolder = folder;
        return mapping;
    }
    const std::string extension = LowerExtension(relative);
    for (const auto& type : *Config.ScriptTypes) {
        if (TypeExtension(*type) != extension) continue;
        if ((!inUserFolder && type->OutsideCgiFolder) || (inUserFolder && type->InUserWebFolders)) {
            kind = GetScriptKind(Config, relative, inCgiFolder);
            break;
        }
    }
    mapping.Cgi = kind.Cgi;
    mapping.Isapi = kind.Isapi;
    Session->PathTranslated = extraPath ? netunit::RemoveBackslash(root) + Session->Url : relative;
    Session->ScriptDir = netunit::WideExtractPath(relative);
    mapping.LocalPath = std::move(relative);
    return mapping;
}

}  // namespace http
