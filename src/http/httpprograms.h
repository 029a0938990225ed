// The HTTP answers that run something: CGI programs and interpreters,
// extension libraries, pages with server-side includes and folder listings.
// The request step hands a request over with the session's request fields set
// (Method, QueryString, ContentType, ContentLength, HttpVariables, Host, the
// mapping's fields, and the whole request in InputBuffer); each starter sets
// the session's next state itself.
#pragma once

#include <string>

namespace core {
class tsessionface;
}
struct tsession;

namespace http {

struct HttpStep;

// Starts the program (GET or POST, by the session's Method).
void StartCgiProgram(HttpStep& Step, tsession* Session, const std::string& LocalPath);
// Calls the extension library for the request.
void CallExtension(HttpStep& Step, tsession* Session, const std::string& LocalPath);
// Starts sending a page with server-side includes.
void StartIncludePage(HttpStep& Step, tsession* Session, const std::string& LocalPath);

// The states these answers run in.
void StepCgiOutput(HttpStep& Step, tsession* Session);
void StepListing(HttpStep& Step, tsession* Session);  // the folder is the session's ListingFolder
void StepIncludePage(HttpStep& Step, tsession* Session);

// The close step's share: ends a child, a listing search, an include page or
// an extension's request the session still holds. Safe to call more than once.
void ReleaseHttpPrograms(core::tsessionface* Form, tsession* Session);

// Its parts, each safe on a session that holds nothing of its kind.
void ReleaseListing(tsession* Session);
void ReleaseIncludePage(tsession* Session);

}  // namespace http
