// The typeset manual read back: its size, its outline, its pictures, a section for every
// demo, and a troubleshooting entry for every way the solver can end a run.
#include "demos/tests/DemoSolutions.h"

#include <QFile>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QtTest>

class ManualTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void isLongEnoughToLearnFrom();
    void outlineNamesTheChapters();
    void showsThePictures();
    void namesEveryDemoWithItsEquation();

private:
    QPdfDocument doc_;
    QString text_;  // every page's text, blanks and line ends made single blanks
};

void ManualTest::initTestCase() {
    QCOMPARE(doc_.load(QStringLiteral(QUADREL_MANUAL_PDF)), QPdfDocument::Error::None);
    for (int p = 0; p < doc_.pageCount(); ++p) text_ += doc_.getAllText(p).text() + ' ';
    text_ = text_.simplified();
}

void ManualTest::isLongEnoughToLearnFrom() {
    QVERIFY2(doc_.pageCount() >= 12, qPrintable(QString::number(doc_.pageCount())));
    const qsizetype words = text_.split(' ', Qt::SkipEmptyParts).size();
    QVERIFY2(words >= 6000, qPrintable(QString::number(words)));
}

void ManualTest::outlineNamesTheChapters() {
    QPdfBookmarkModel outline;
    outline.setDocument(&doc_);
    QStringList chapters;
    for (int r = 0; r < outline.rowCount(); ++r) chapters += outline.index(r, 0).data().toString();
    for (const char *c : {"Getting started", "Writing equations: the notation",
                          "Boundary value problems and fitting A", "The solver and its controls",
                          "Reading the report and the plots", "The fifteen demos",
                          "When a run fails", "Running the solver from a terminal",
                          "Settings, files and file types"})
        QVERIFY2(chapters.contains(c), qPrintable(chapters.join(" | ")));
    // Sections are nested under their chapters, so the outline is more than a flat list.
    QVERIFY(outline.rowCount(outline.index(chapters.indexOf("The fifteen demos"), 0)) >= 3);
}

void ManualTest::showsThePictures() {
    QFile f(QStringLiteral(QUADREL_MANUAL_PDF));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    QVERIFY2(pdf.count("/Subtype /Image") >= 11, "window pages, report, two plots, About box");
}

void ManualTest::namesEveryDemoWithItsEquation() {
    for (const demos::DemoCase &d : demos::allDemos()) {
        QVERIFY2(text_.contains(QLatin1String(d.stem)), d.stem);
        QVERIFY2(text_.contains(QString::fromLatin1(d.equation).simplified()), d.equation);
    }
}

QTEST_MAIN(ManualTest)
#include "tst_manual.moc"
