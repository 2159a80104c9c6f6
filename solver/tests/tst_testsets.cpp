// The published test problems in solver/testsets: each response file is solved by the
// solver program with its default controls, and every plotted Y and Y' must agree with the
// reference values to 1e-8, relative to the value itself or, where the solution passes
// near zero, to 1e-3 of the column's largest value.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

using Rows = QList<QList<double>>;  // X, Y, Y'

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The number rows of a text file, or of its first block only (up to an empty line).
Rows numberRows(const QByteArray &text, bool firstBlockOnly) {
    Rows rows;
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed().isEmpty() && firstBlockOnly && !rows.isEmpty()) break;
        if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
        QList<double> row;
        for (const QByteArray &field : line.simplified().split(' ')) row << field.toDouble();
        rows << row;
    }
    return rows;
}

}  // namespace

class TstTestSets : public QObject {
    Q_OBJECT
private slots:
    void solves_data() {
        QTest::addColumn<QString>("stem");
        const QDir dir(QStringLiteral(TESTSETS_DIR));
        const QStringList files = dir.entryList({QStringLiteral("*.ode")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 58);
        for (const QString &f : files) QTest::newRow(qPrintable(f.chopped(4))) << dir.filePath(f.chopped(4));
    }
    void solves() {
        QFETCH(QString, stem);
        const QString name = QFileInfo(stem).fileName();
        const Rows ref = numberRows(readAll(stem + ".ref"), false);
        QVERIFY(!ref.isEmpty());
        QTemporaryDir dir;
        QProcess vade;
        vade.setWorkingDirectory(dir.path());
        vade.setStandardInputFile(QProcess::nullDevice());
        vade.start(QStringLiteral(VADE_PATH), {stem + ".ode"});
        QVERIFY(vade.waitForFinished(120000));
        const Rows got = numberRows(readAll(dir.filePath("~4plots.plt")), true);

        double worst = 0;
        for (int col = 1; col <= 2; ++col) {
            double largest = 0;
            for (const auto &r : ref) largest = std::max(largest, std::abs(r[col]));
            for (int i = 0; i < ref.size() && i < got.size(); ++i) {
                const double err = got[i].size() <= col || got[i][0] != ref[i][0]
                                       ? HUGE_VAL
                                       : std::abs(got[i][col] - ref[i][col]) / std::max(std::abs(ref[i][col]), 1e-3 * largest);
                worst = std::max(worst, std::isnan(err) ? HUGE_VAL : err);
            }
        }
        qInfo("%s: exit %d, %lld of %lld rows, largest relative error %.2g", qPrintable(name), vade.exitCode(),
              static_cast<long long>(got.size()), static_cast<long long>(ref.size()), worst);
        QVERIFY2(got.size() == ref.size() && vade.exitCode() == 0 && worst <= 1e-8, vade.readAllStandardError().constData());
    }
};

QTEST_GUILESS_MAIN(TstTestSets)
#include "tst_testsets.moc"
