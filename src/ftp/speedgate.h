// The speed gate of FTP transfers: a block moves only while the session's
// average rate, with that block counted, stays within the account's limit.
#pragma once

#include <cstdint>

struct tsession;

namespace ftp {

// Block sizes the gate judges a step by: a download step sends one block of
// kDownloadBlock; an upload step may receive up to kUploadBlock.
constexpr int32_t kDownloadBlock = 4096;
constexpr int32_t kUploadBlock = 65536;

// True when the mean of the sampled seconds, with one more block added, is
// at most limit kB/s (rounded to one decimal, an exact half to even).
bool CheckFtpSpeed(const tsession& session, int32_t blockSize, long double limit);

}  // namespace ftp
