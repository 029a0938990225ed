#include "ftp/listline.h"

#include <array>

#include "netunit/findfile.h"
#include "netunit/paths.h"
#include "platform/programdir.h"

namespace ftp {
namespace {

constexpr int kSizeWidth = 11;
constexpr int kDayWidth = 2;
constexpr int kClockWidth = 2;

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Pad(int64_t number, int width, char fill) {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), fill);
    return digits;
}

std::string ProgramFolder() { return netunit::RemoveBackslash(platform::ProgramDir()); }

}  // namespace

std::string SpacePad(int64_t number, int width) { return Pad(number, width, ' '); }

std::string ZeroPad(int64_t number, int width) { return Pad(number, width, '0'); }

std::string MonthAbbrev(int month) {
    return month >= 1 && month <= 12 ? kMonths[static_cast<size_t>(month - 1)] : "";
}

std::string ListLineFixedPart(bool directory, bool readOnly, int64_t size, const netunit::tdatefields& written) {
    std::string line = directory ? (readOnly ? "dr--------" : "drw-------") : (readOnly ? "-r--------" : "-rw-------");
    line += "  1 user  user ";
    line += SpacePad(size, kSizeWidth) + " " + MonthAbbrev(written.Month) + " " + SpacePad(written.Day, kDayWidth) +
            " " + ZeroPad(written.Hour, kClockWidth) + ":" + ZeroPad(written.Minute, kClockWidth) + " ";
    return line;
}

std::string FormatListLine(const std::string& localPath, bool readOnly) {
    std::string path = localPath;
    if (path.ends_with("/.") || path.ends_with("/..")) {
        readOnly = true;
        path = ProgramFolder();
    }
    netunit::tfinddata entry;
    if (!netunit::FindEntryByName(entry, path)) {
        netunit::WideFindClose(entry);
        return {};
    }
    std::string line = ListLineFixedPart(entry.Directory, readOnly, entry.Size,
                                         netunit::DecodeDayNumber(entry.LastWriteTime));
    netunit::WideFindClose(entry);
    return line;
}

std::string VirtualEntryFixedPart(bool readOnly) { return FormatListLine(ProgramFolder(), readOnly); }

}  // namespace ftp
