#pragma once
// Gives each test case its own configuration, data and home folders, so that cases never
// see each other's stores and nothing reaches the real ones.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

namespace quadrel {

class TempXdg {
public:
    TempXdg() {
        QDir(dir_.path()).mkpath(QStringLiteral("home"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data()));
        qputenv("HOME", QFile::encodeName(home()));
    }
    bool isValid() const { return dir_.isValid(); }
    QString root() const { return dir_.path(); }
    QString config() const { return dir_.path() + QStringLiteral("/config"); }
    QString data() const { return dir_.path() + QStringLiteral("/data"); }
    QString home() const { return dir_.path() + QStringLiteral("/home"); }

private:
    QTemporaryDir dir_;
};

}  // namespace quadrel
