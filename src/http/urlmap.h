// Which local file a request names: through the web domains, the CGI folder,
// the virtual paths and the users' web folders, with the welcome files, the
// script kinds and Basic authentication. The mapping reads the window's
// settings through a UrlMapConfig, so that it runs the same in the server and
// in tests; it looks at the disk but never opens a file.
#pragma once

#include <string>

#include "core/recordfiles.h"
#include "core/records.h"
#include "http/httprequest.h"

struct tsession;

namespace http {

// The settings the mapping reads (the window's controls and lists).
struct UrlMapConfig {
    std::string WebDir;    // the default web root, full path
    std::string WebIndex;  // welcome files, ";"-separated, as typed (names are case-sensitive)
    bool CgiEnabled = false;
    std::string CgiDir;    // the CGI folder, full path
    std::string CgiAlias;  // its name in URLs
    bool SsiEnabled = false;
    std::string HomeDir;   // users' home folders, ending in "/"
    std::string ProgramDir;  // a relative folder of a domain or virtual path is taken from here
    const core::AccountList* Accounts = nullptr;
    const core::RecordList<core::twebdomain>* WebDomains = nullptr;
    const core::RecordList<core::tvirtualpath>* VirtualPaths = nullptr;
    const core::RecordList<core::tscripttype>* ScriptTypes = nullptr;
};

struct UrlMapping {
    std::string Target;     // the request path as rewritten: "/" + the relative path, query kept
    size_t QueryAt = std::string::npos;  // where Target's query starts (its "?"); a "?" before is a name's
    std::string LocalPath;  // the file; the location when Redirect; empty when nothing maps
    bool Cgi = false;
    bool Isapi = false;
    bool Redirect = false;
    std::string ListingFolder;  // a folder without a welcome file, ending in "/"
    bool AuthFailed = false;    // the session's Realm names what refused
    // The path has no canonical spelling or fails the safety test: nothing
    // was looked up for it, and it is answered as not found.
    bool Unsafe = false;
};

struct ScriptKind {
    bool Cgi = false;
    bool Isapi = false;
};

// Maps Url (the decoded request path, query included) for Host (the Host
// header as received). The path is first brought to its canonical spelling
// (CanonicalRelativePath), which Target then carries. Also sets the session's Target, Url, ScriptName,
// PathTranslated, ScriptDir, DocumentRoot, IsSsi and Realm, and its user and
// password when a virtual path's own login admits the client.
UrlMapping MapUrl(const UrlMapConfig& Config, tsession* Session, std::string Host, const std::string& Url);
// The same for a request target whose path and query are apart already.
UrlMapping MapUrl(const UrlMapConfig& Config, tsession* Session, std::string Host, const RequestTarget& Request);

// The web root for the host: the first web domain named like Host without its
// ":port" and final "." (core::HostName; case ignored), else the default root, and then Host becomes
// "default". A protected domain that refuses the session's credentials sets
// AuthFailed and the session's Realm.
std::string DocumentRootFor(const UrlMapConfig& Config, tsession* Session, std::string& Host, bool& AuthFailed);

// The first welcome file present in Folder (ending in "/"); when none is, the
// first name of the list, so that the caller's file test fails. Present, when
// given, tells which of the two it was, so the name need not be tested again.
std::string FindDefaultDocument(const UrlMapConfig& Config, const std::string& Folder, bool* Present = nullptr);

// Whether the named file is run as a CGI program or loaded as an extension.
// ".exe" is a program and ".dll" or ".so" an extension; otherwise the first
// CGI type of the file's extension decides by its interpreter (".dll" or
// ".so": extension; ".exe" or an executable file: program; else neither). In
// the CGI folder an executable file of no type is a program too.
ScriptKind GetScriptKind(const UrlMapConfig& Config, const std::string& Path, bool InCgiFolder);

}  // namespace http
