// What the window keeps for the web server between requests: the extension
// libraries loaded so far (src/http/isapicache.cpp), each unloaded by its own
// timer; the MIME list's index.
#pragma once

#include <memory>
#include <vector>

#include "http/mimetypes.h"

namespace http {

struct tisapi;

struct thttpstate {
    std::vector<std::shared_ptr<tisapi>> IsapiCache;
    // The window's MIME list by extension: a cache a step may bring up to date
    // through its read-only view of the window.
    mutable tmimeindex MimeIndex;
};

}  // namespace http
