// The bounce that tells a sender their message could not be delivered: a
// short header of its own, then the undeliverable message whole.
#pragma once

#include <cstdint>
#include <string>

namespace mail {

// The bounce's sender line in its control file, and its From.
constexpr const char* kBounceSender = "Quillnest";

// The bounce's text, lines ended by CR LF: the id, "To: " + Address, the
// From, Subject and content lines, an empty line, then every line of the
// message file (its own id line, header, body and "." line). A message that
// lacks its final "." gets one, so the bounce always ends with it.
// A Reason that is not empty comes first in the body, as its own paragraph.
std::string BounceText(int64_t Id, const std::string& Address, const std::string& MessageBytes,
                       const std::string& Reason = {});

}  // namespace mail
