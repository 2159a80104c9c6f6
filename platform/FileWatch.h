#pragma once
// Tells when a file on show has been rewritten, so that a viewer can reload it. Covers the
// ways a program replaces a file: writing it in place, writing a new file and renaming it
// over the old one, and deleting and creating it again. Bursts of changes (a file written
// in several pieces) end in one signal once the file has been quiet for a moment.
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace quadrel {

class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(QObject *parent = nullptr);

    // Watches `path` from now on (its present state counts as seen); empty stops watching.
    void watch(const QString &path);
    const QString &path() const { return path_; }

    static constexpr int QuietMilliseconds = 150;

signals:
    // The file differs from when it was last seen: new contents, or it is gone.
    void changed();

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp &o) const {
            return exists == o.exists && size == o.size && modified == o.modified;
        }
    };
    Stamp stampNow() const;
    void arm();
    void settle();

    QFileSystemWatcher watcher_;
    QTimer quiet_;
    QString path_;
    Stamp seen_;
};

}  // namespace quadrel
