// Test helper: writes COUNT distinct text values named PREFIX<i> into the product key of the
// per-user store, as a second Quadrel process would. Before writing it leaves a mark in
// BARRIER_DIR and waits until PEERS marks are there, so that the writers really overlap.
//   store_writer PREFIX COUNT BARRIER_DIR PEERS
#include "app/RegistryApi.h"
#include "app/RegistrySettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

using namespace quadrel;

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    const QString prefix = args[1];
    const int count = args[2].toInt();
    const QDir barrier(args[3]);
    const int peers = args[4].toInt();

    QFile mark(barrier.filePath(prefix + QStringLiteral(".ready")));
    if (!mark.open(QIODevice::WriteOnly))
        return 3;
    mark.close();
    QDeadlineTimer deadline(120000);  // generous: a loaded machine may start the peer late
    while (barrier.entryList({QStringLiteral("*.ready")}, QDir::Files).size() < peers) {
        if (deadline.hasExpired())
            return 4;
        QThread::usleep(500);
    }

    CreateRegistryKey(HKEY_CURRENT_USER, kProductKey);
    for (int i = 0; i < count; ++i)
        SetRegistryValue(HKEY_CURRENT_USER, kProductKey, prefix + QString::number(i), REG_SZ,
                         QStringLiteral("text \"%1\"\n").arg(i));
    return 0;
}
