// The typeset manual read back: its size, its outline, its pictures, a section for every
// demo, and a troubleshooting entry for every way the solver can end a run.
#include "demos/DemoSolutions.h"
#include "solver/Dop853.h"
#include "solver/Failures.h"
#include "solver/Integrator.h"
#include "solver/Problem.h"

#include <QFile>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QtTest>

class ManualTest : public QObject {
    Q_OBJECT
    QPdfDocument doc_;
    QString text_;  // every page's text, blanks and line ends made single blanks

private slots:
    void initTestCase() {
        QCOMPARE(doc_.load(QStringLiteral(QUADREL_MANUAL_PDF)), QPdfDocument::Error::None);
        for (int p = 0; p < doc_.pageCount(); ++p) text_ += doc_.getAllText(p).text() + ' ';
        text_ = text_.simplified();
    }

    void isLongEnoughToLearnFrom() {
        QVERIFY2(doc_.pageCount() >= 12, qPrintable(QString::number(doc_.pageCount())));
        const qsizetype words = text_.split(' ', Qt::SkipEmptyParts).size();
        QVERIFY2(words >= 6000, qPrintable(QString::number(words)));
    }

    void outlineNamesTheChapters() {
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

    void showsThePictures() {
        QFile f(QStringLiteral(QUADREL_MANUAL_PDF));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray pdf = f.readAll();
        QVERIFY2(pdf.count("/Subtype /Image") >= 11, "window pages, report, two plots, About box");
    }

    void namesEveryDemoWithItsEquation() {
        for (const demos::DemoCase &d : demos::allDemos()) {
            QVERIFY2(text_.contains(QLatin1String(d.stem)), d.stem);
            QVERIFY2(text_.contains(QString::fromLatin1(d.equation).simplified()), d.equation);
        }
    }

    void troubleshootsEveryFailureKind() {
        // From the first words of the chapter on failures to those of the next.
        const qsizetype from = text_.indexOf("A run that cannot finish always says why");
        const qsizetype to = text_.indexOf("The solver does not need the window");
        QVERIFY(from >= 0 && to > from);
        const QString chapter = text_.mid(from, to - from);
        const auto kinds = quadrel::solver::failureHeadlines();
        QVERIFY(kinds.size() >= 8);
        for (const std::string &kind : kinds)
            QVERIFY2(chapter.contains(QString::fromStdString(kind)), kind.c_str());
    }

    // The model source and the manual state the solver's methods, tolerances and defaults as
    // the solver has them, so either must change when the solver does.
    void followsTheSolver_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("defaultPattern");  // %1 the variable, then its default
        QFile vx(QStringLiteral(QUADREL_MODEL_SOURCE));
        QVERIFY(vx.open(QIODevice::ReadOnly));
        QTest::newRow("ODE4user.vx") << QString::fromUtf8(vx.readAll()) << "\\n\\s*%1\\s+([-+.0-9eE]+)";
        QTest::newRow("manual") << text_ << "%1 \\(default ([-+.0-9eE]+)\\)";
    }

    void followsTheSolver() {
        QFETCH(QString, text);
        QFETCH(QString, defaultPattern);
        using namespace quadrel::solver;
        struct NoRhs : OdeRhs {
            bool operator()(double, const double *, double *) override { return false; }
            bool jacobian(double, const double *, double *, double *) override { return false; }
        } rhs;
        const QStringList facts{Dop853(rhs).name(), "BDF", QString::number(Integrator::kRelTol),
                                QString::number(Integrator::kAbsTol),
                                QString::number(TopSolver::kTightTolerance),
                                QString::number(TopSolver::kMaxIterations),
                                QString::number(Integrator::kStiffRatio)};
        for (const QString &fact : facts) QVERIFY2(text.contains(fact), qPrintable(fact));
        const Controls c;
        const double defaults[7] = {double(c.remax), double(c.detail), double(c.stepsLim),
                                    double(c.stepOut), double(c.evalMax), c.accuracy, c.zero};
        for (int i = 0; i < 7; ++i) {
            const auto m = QRegularExpression(defaultPattern.arg(Controls::names[i])).match(text);
            QVERIFY2(m.hasMatch(), Controls::names[i]);
            QCOMPARE(m.captured(1).toDouble(), defaults[i]);
        }
    }
};

QTEST_MAIN(ManualTest)
#include "tst_manual.moc"
