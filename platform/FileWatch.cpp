#include "platform/FileWatch.h"

#include <QFileInfo>

namespace quadrel {

FileWatch::FileWatch(QObject *parent) : QObject(parent) {
    quiet_.setSingleShot(true);
    quiet_.setInterval(QuietMilliseconds);
    connect(&quiet_, &QTimer::timeout, this, &FileWatch::settle);
    // The file itself reports writes in place; its folder reports a file renamed over it
    // or created anew, after which the watch on the old file is gone.
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { quiet_.start(); });
    // Other files come and go in the same folder; only a change to this one counts.
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!(stampNow() == seen_))
            quiet_.start();
    });
}

void FileWatch::watch(const QString &path) {
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    quiet_.stop();
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (path_.isEmpty())
        return;
    watcher_.addPath(QFileInfo(path_).absolutePath());
    arm();
    seen_ = stampNow();
}

FileWatch::Stamp FileWatch::stampNow() const {
    const QFileInfo info(path_);
    Stamp s;
    s.exists = info.exists();
    if (s.exists) {
        s.size = info.size();
        s.modified = info.lastModified();
    }
    return s;
}

void FileWatch::arm() {
    if (QFileInfo::exists(path_) && !watcher_.files().contains(path_))
        watcher_.addPath(path_);
}

void FileWatch::settle() {
    // A file renamed over the old one is a new file: watch it.
    arm();
    seen_ = stampNow();
    emit changed();
}

}  // namespace quadrel
