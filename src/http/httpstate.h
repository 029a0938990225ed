// What the window keeps for the web server between requests: the extension
// libraries loaded so far (src/http/isapicache.cpp), each unloaded by its own
// timer.
#pragma once

#include <memory>
#include <vector>

namespace http {

struct tisapi;

struct thttpstate {
    std::vector<std::shared_ptr<tisapi>> IsapiCache;
};

}  // namespace http
