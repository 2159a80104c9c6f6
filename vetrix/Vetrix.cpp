// libVetrix.so: the checker the program calls in-process for "Test it!". The entry point
// Vetrix checks one equation and writes its listing into the current folder: "~Vetrix.out"
// when the equation parses, "~parse.out" when it does not. It never throws into its
// caller; a non-zero status tells the caller to show "~parse.out".
#include "vetrix/Check.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum Status : int {
    kOk = 0,
    kParseFailed = 1,    // "~parse.out" explains why
    kWriteFailed = 2,    // a listing could not be written
    kInternalFault = 3,  // anything unexpected (such as running out of memory)
};

// Writes the listing to a temporary file beside name and renames it into place, so that a
// reader (or a second caller on another thread) only ever sees one whole listing.
bool writeFile(const char *name, const std::string &content) {
    std::string temp = std::string(name) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0644) == 0;
    for (std::size_t done = 0; ok && done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += std::size_t(n);
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), name) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace

// text: the equation in a single-byte code page; one: points at the value 1 (unused);
// length: the number of characters. The text ends at its first NUL or after length
// characters, whichever comes first; nothing past either is read.
extern "C" __attribute__((visibility("default"))) int Vetrix(const char *text, std::int32_t *one,
                                                            std::int32_t length) {
    (void)one;
    try {
        std::size_t n = 0;
        if (text && length > 0)
            while (n < std::size_t(length) && text[n] != '\0') ++n;
        const vetrix::CheckResult r = vetrix::check(std::string_view(text ? text : "", n));
        if (!writeFile(r.parsed ? "~Vetrix.out" : "~parse.out", r.listing)) return kWriteFailed;
        return r.parsed ? kOk : kParseFailed;
    } catch (...) {
        return kInternalFault;
    }
}
