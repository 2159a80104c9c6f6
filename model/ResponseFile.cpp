// The open response file: POSIX calls so that the reason of a failure (errno) can be
// mapped to the run-time error numbers the messages show.
#include "model/ResponseFile.h"

#include "platform/CodePage.h"
#include "platform/RtError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quadrel {

namespace {

int openErrorNumber(int err, bool output) {
    switch (err) {
    case ENOENT: return output ? rterr::PathNotFound : rterr::FileNotFound;
    case ENOTDIR: return rterr::PathNotFound;
    case ENAMETOOLONG: return rterr::BadFileName;
    case EMFILE:
    case ENFILE: return rterr::TooManyFiles;
    case ENOSPC:
    case EDQUOT: return rterr::DiskFull;
    default: return rterr::PathFileAccess;  // EACCES, EPERM, EROFS, EISDIR, ETXTBSY, ...
    }
}

}  // namespace

ResponseFile::~ResponseFile() { close(); }

void ResponseFile::openInput(const QString &path) {
    close();
    if (path.isEmpty()) throw RtError(rterr::PathFileAccess);
    const QByteArray native = path.toLocal8Bit();
    // Non-blocking so that a FIFO or a device of that name cannot hang the open.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw RtError(openErrorNumber(errno, false));
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        ::close(fd);
        throw RtError(rterr::PathFileAccess);
    }
    fd_ = fd;
    output_ = false;
    eof_ = false;
    skipLf_ = false;
    path_ = path;
    buf_.clear();
    pos_ = 0;
}

void ResponseFile::openOutput(const QString &path) {
    close();
    if (path.isEmpty()) throw RtError(rterr::PathFileAccess);
    const QByteArray native = path.toLocal8Bit();
    struct stat sb {};
    if (::stat(native.constData(), &sb) == 0) {
        // A file without any write permission is read-only, also for a user (root) whom
        // the system would let write it anyway.
        if (S_ISREG(sb.st_mode) && (sb.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            throw RtError(rterr::PathFileAccess);
        if (S_ISDIR(sb.st_mode)) throw RtError(rterr::PathFileAccess);
    }
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK,
                          0666);
    if (fd < 0) throw RtError(openErrorNumber(errno, true));
    fd_ = fd;
    output_ = true;
    eof_ = false;
    path_ = path;
    buf_.clear();
    pos_ = 0;
}

void ResponseFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    output_ = false;
    eof_ = false;
    skipLf_ = false;
    buf_.clear();
    pos_ = 0;
}

bool ResponseFile::fillBuffer() {
    if (eof_) return false;
    buf_.remove(0, pos_);
    pos_ = 0;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) {
            buf_.append(chunk, n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        eof_ = true;  // end of file or a read error: nothing more can be read
        return false;
    }
}

bool ResponseFile::readLine(QString &line) {
    if (fd_ < 0 || output_) return false;
    QByteArray bytes;
    bool any = false;
    for (;;) {
        if (pos_ >= buf_.size() && !fillBuffer()) break;
        const char c = buf_[pos_++];
        if (skipLf_) {
            skipLf_ = false;
            if (c == '\n') continue;
        }
        any = true;
        if (c == '\r') {
            skipLf_ = true;
            line = fromAnsi(bytes);
            return true;
        }
        if (c == '\n') {
            line = fromAnsi(bytes);
            return true;
        }
        bytes.append(c);
    }
    if (!any) return false;
    line = fromAnsi(bytes);  // a last line without a line end
    return true;
}

void ResponseFile::writeLine(const QString &text) {
    if (fd_ < 0 || !output_) throw RtError(rterr::BadFileName);
    const QByteArray bytes = toAnsi(text) + "\r\n";
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            throw RtError(err == ENOSPC || err == EDQUOT ? rterr::DiskFull : rterr::DeviceIO);
        }
        p += n;
        left -= n;
    }
}

}  // namespace quadrel
