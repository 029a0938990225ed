// The choice lists the two dynamic-DNS dialogs share.
#pragma once

#include <string>
#include <vector>

// "5 Minutes" to "60 Minutes" in steps of 5, in index order.
const std::vector<std::string>& UpdateIntervalChoices();
// Whether to log the service's answers: index 0 yes, 1 no.
const std::vector<std::string>& UpdateLogChoices();
