// The "since" text of the transfer monitors.
#pragma once

#include <ctime>
#include <string>

// "Tracking since March 5, 2007 at 14:03:09": English month names and ":"
// whatever the locale, so the text reads the same in options.ini everywhere.
std::string TrackingSince(const std::tm& local);
// The same for the current local time.
std::string TrackingSinceNow();
