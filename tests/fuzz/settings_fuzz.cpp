// Feeds arbitrary bytes to the readers of the files beside the program: the
// INI store (through a real file, as the program reads it) and every record
// layout's decoder. Each record decoded must encode to bytes that decode to
// the same record, and a value the store writes with line breaks in it must
// read back whole from the saved file, whatever the file held before.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/records.h"
#include "netunit/inifile.h"
#include "netunit/widelines.h"

namespace {

// The scratch file lives in memory where the system offers it (/dev/shm):
// the store's save flushes and renames, and on a disk that is what would
// bound the rate, not the parsing. It and its folder go when the run ends.
struct Scratch {
    std::string dir, file;
    Scratch() {
        struct stat shm {};
        std::string pattern = (::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm" : "/tmp");
        pattern += "/qn-fuzz-XXXXXX";
        dir = ::mkdtemp(pattern.data());
        file = dir + "/options.ini";
    }
    ~Scratch() {
        ::unlink(file.c_str());
        ::rmdir(dir.c_str());
    }
};

const std::string& ScratchFile() {
    static const Scratch scratch;
    return scratch.file;
}

void WriteScratch(std::string_view bytes) {
    const int fd = ::open(ScratchFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

void FuzzIni(std::string_view bytes) {
    WriteScratch(bytes);
    netunit::tinifile ini;
    ini.OpenIni(ScratchFile());
    for (const char* section : {"http", "HTTP", "pos", ""}) {
        ini.ReadString(section, "port", u"80");
        ini.ReadInteger(section, "width", 650);
        ini.ReadBool(section, "enabled", true);
    }
    // A value holding every kind of line end must stay on its line.
    ini.WriteString("fuzz", "value", u"a\r\nb\u2028c");
    ini.SaveIni();
    netunit::tinifile again;
    again.OpenIni(ScratchFile());
    if (again.ReadString("fuzz", "value", u"") != u"a  b c") std::abort();

    const std::u16string text = netunit::DecodeWideText(bytes);
    netunit::SplitWideLines(text);
}

template <class T>
void FuzzRecords(std::string_view bytes) {
    for (const T& record : core::DecodeRecords<T>(bytes)) {
        std::string encoded;
        core::AppendRecord(record, encoded);
        if (encoded.size() != T::RecordSize) std::abort();
        if (!(core::DecodeRecord<T>(encoded) == record)) {
            // Raw holds the bytes read; the fields must still agree.
            T again = core::DecodeRecord<T>(encoded);
            again.Raw = record.Raw;
            if (!(again == record)) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 12) {
        case 0: FuzzIni(bytes); break;
        case 1: FuzzRecords<core::tftppath>(bytes); break;
        case 2: FuzzRecords<core::toldftppath>(bytes); break;
        case 3: FuzzRecords<core::tuseraccount>(bytes); break;
        case 4: FuzzRecords<core::twebdomain>(bytes); break;
        case 5: FuzzRecords<core::tvirtualpath>(bytes); break;
        case 6: FuzzRecords<core::tscripttype>(bytes); break;
        case 7: FuzzRecords<core::tmaildomain>(bytes); break;
        case 8: FuzzRecords<core::tmailforward>(bytes); break;
        case 9: FuzzRecords<core::tban>(bytes); break;
        case 10: FuzzRecords<core::ttrigger>(bytes); break;
        default:
            FuzzRecords<core::tconsoleprogram>(bytes);
            FuzzRecords<core::ttransferrecord>(bytes);
            break;
    }
    return 0;
}
