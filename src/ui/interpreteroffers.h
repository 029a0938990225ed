// Where the window looks for the PHP and Perl interpreters it offers to set
// up as CGI types.
#pragma once

#include <string>
#include <vector>

// The places looked at, in order of preference; the first existing wins.
const std::vector<std::string>& PhpInterpreterPlaces();
const std::vector<std::string>& PerlInterpreterPlaces();

// Tests look under a folder of their own: every place is taken below Root.
void SetInterpreterRoot(const std::string& Root);
