// Moving answers between the form and the answer set, the solver default buttons, the
// completeness check, and saving problems typed into the form as response files.
#include "FormFixture.h"
#include "model/ResponseFile.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {

// Replaces the text of an answer box the way a user does: click, select all, type.
void fill(FormFixture &f, const QString &box, const QString &text) {
    f.click(box);
    QCOMPARE(f.focused(), f.form->controls().widget(box));
    f.key(Qt::Key_A, Qt::ControlModifier);
    f.key(Qt::Key_Delete);
    f.type(text);
}

// The expected bytes of a response file from its lines: answer and comment joined by two
// blanks and two TABs, CR LF after each line, "»" as the single byte 0xBB.
QByteArray fileBytes(const QList<QPair<QString, QString>> &lines) {
    QByteArray out;
    for (const auto &[answer, comment] : lines) {
        const QString sep = answer == "N" || answer == "Y" ? "\t\t" : "  \t\t";
        out += (answer + sep + comment).toLatin1() + "\r\n";
    }
    return out;
}

QByteArray save(FormFixture &f, const QString &name, const QString &folder) {
    f.state.fileTemp = name;
    WriteAnsFile(f.state, name, folder);
    QFile file(folder + "/" + name);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

const QString kQ1 = QString::fromUtf8("! 1. \u00bb State an ODE  using terms X, Y, Y', Y'', etc. where each apostrop");
const QString kQ2 = QString::fromUtf8("! 2. \u00bb 'A' parameter initial value, if any in equation?");
const QString kQ3 = QString::fromUtf8("! 3. \u00bb x0, starting point for x-axis; ie. position for 'Constants of Int");
const QString kQ4 = QString::fromUtf8("! 4. \u00bb Initial values for 'Constants of Integration' in Y, Y', Y'', etc.");
const QString kQ5 = QString::fromUtf8("! 5. \u00bb Number of (X,Y) data points for plot?");
const QString kQ6 = QString::fromUtf8("! 6. \u00bb (Delta_x) step size between points in plot; 1st point is x0 (see");
const QString kNote1 = QString::fromUtf8("! 20. \u00bb Note1");
const QString kNote2 = QString::fromUtf8("!     \u00bb Note2");
const QString kQ22 = QString::fromUtf8("! 22. \u00bb Want to change solver variables?");

}  // namespace

class AnswersTest : public QObject {
    Q_OBJECT
private slots:
    void savesTheBoundaryValueExample();
    void solverButtonsDecideQuestion22_data();
    void solverButtonsDecideQuestion22();
    void blankAnswerTurnsLabelRed_data();
    void blankAnswerTurnsLabelRed();
    void loadingWithoutPointsSelectsIvpAndClearsGrid();
    void loadingPointsFillsGrid();
    void loadingSolverAnswersEnablesBoxes_data();
    void loadingSolverAnswersEnablesBoxes();
    void typingMarksChanged_data();
    void typingMarksChanged();
    void gotFocusSelectsAll_data();
    void gotFocusSelectsAll();
    void putAnswersKeepsTextUntrimmed();
    void ivpIgnoresGridContents();
    void problemTypeClicksMarkChanged();
};

void AnswersTest::savesTheBoundaryValueExample() {
    QTemporaryDir dir;
    FormFixture f;
    f.clock.set(QDateTime(QDate(2026, 11, 28), QTime(10, 15)));
    fill(f, "Equation", "Y' * Y'' = A * X");
    f.showPage(frmMain::TabParameters);
    fill(f, "a0InitVal", "1");
    fill(f, "x0InitVal", "1");
    fill(f, "YinitVals", "2 1");
    fill(f, "nPoints", "11");
    fill(f, "Delta_x", ".2");
    fill(f, "Note1", "");
    fill(f, "Note2", "");
    f.chooseBvp();
    for (const char *v : {"1", "2", "3", "3.5", "5", "6"}) f.enter(v);
    f.showPage(frmMain::TabSolver);
    f.click("cmdEditSolverData");
    const QByteArray expected = fileBytes({
        {"Beam.ode", "!*  6,  3, and  7          November 28, 2026 @ 10:15"},
        {"Y' * Y'' = A * X", kQ1}, {"1", kQ2}, {"1", kQ3}, {"2 1", kQ4}, {"11", kQ5},
        {".2", kQ6}, {"3", "! Number of BVP_IVP data points"},
        {"1  2", "! Boundary point # 1"}, {"3  3.5", "! Boundary point # 2"},
        {"5  6", "! Boundary point # 3"}, {"-999", kNote1}, {"-999", kNote2}, {"Y", kQ22},
        {"5", QString::fromUtf8("! 1. \u00bb REMAX: Maximum iterations.")},
        {"0", QString::fromUtf8("! 2. \u00bb DETAIL: Detailed report every Nth iteration.")},
        {"100", QString::fromUtf8("! 3. \u00bb STEPSLIM: Limit # of steps per iteration.")},
        {"5", QString::fromUtf8("! 4. \u00bb STEPOUT: Provides snapshot prints every N steps.")},
        {"3000", QString::fromUtf8("! 5. \u00bb EVALMAX: Limit total # of model evaluations.")},
        {".0001", QString::fromUtf8("! 6. \u00bb ACCURACY: Final convergence tolerance.")},
        {"1.e-6", QString::fromUtf8("! 7. \u00bb ZERO: Iteration convergent tolerance.")}});
    QCOMPARE(save(f, "Beam.ode", dir.path()), expected);
}

void AnswersTest::solverButtonsDecideQuestion22_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("line22");
    QTest::addColumn<QStringList>("solverLines");
    QTest::addColumn<bool>("boxesEnabled");
    QTest::newRow("Edit Defaults") << "cmdEditSolverData" << "Y"
                                   << QStringList{"5", "0", "100", "5", "3000", ".0001", "1.e-6"}
                                   << true;
    QTest::newRow("Use Defaults") << "cmdDefaultSolverData" << "N" << QStringList{} << false;
}

void AnswersTest::solverButtonsDecideQuestion22() {
    QFETCH(QString, button);
    QFETCH(QString, line22);
    QFETCH(QStringList, solverLines);
    QFETCH(bool, boxesEnabled);
    QTemporaryDir dir;
    FormFixture f;
    f.showPage(frmMain::TabSolver);
    fill(f, "Remax", "77");  // overwritten by either button
    f.state.dataChanged = false;
    f.click(button);
    QVERIFY(f.state.dataChanged);
    for (int i = 1; i <= 7; ++i) QCOMPARE(f.form->solverBoxes[size_t(i)]->isEnabled(), boxesEnabled);
    const QList<QByteArray> lines = save(f, "S.ode", dir.path()).split('\n');
    int at = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].contains("22. ")) at = i;
    QVERIFY(at > 0);
    QVERIFY(lines[at].startsWith((line22 + "\t\t!").toLatin1()));
    QStringList after;
    for (int i = at + 1; i < lines.size(); ++i)
        if (!lines[i].isEmpty()) after << QString::fromLatin1(lines[i]).section("  \t\t", 0, 0);
    QCOMPARE(after, solverLines);
}

void AnswersTest::blankAnswerTurnsLabelRed_data() {
    QTest::addColumn<int>("question");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("missing");
    const char *boxes[] = {"", "Equation", "a0InitVal", "x0InitVal", "YinitVals", "nPoints", "Delta_x"};
    for (int i = 1; i <= 6; ++i) {
        QTest::addRow("%s empty", boxes[i]) << i << "" << true;
        QTest::addRow("%s -Select-", boxes[i]) << i << "-Select-" << true;
    }
    QTest::newRow("single blank answers") << 3 << " " << false;
    QTest::newRow("-select- in lower case answers") << 4 << "-select-" << false;
}

void AnswersTest::blankAnswerTurnsLabelRed() {
    QFETCH(int, question);
    QFETCH(QString, answer);
    QFETCH(bool, missing);
    FormFixture f;
    f.form->answerBoxes[size_t(question)]->setText(answer);
    const bool complete = f.form->isCompleteTest();
    QCOMPARE(complete, !missing);
    for (int i = 1; i <= 6; ++i)
        QCOMPARE(f.form->questionColor(i) == QColor(255, 0, 0), missing && i == question);
    if (missing) {
        QCOMPARE(f.msg.shown().size(), 1);
        const MessageRequest &m = f.msg.shown().front();
        QCOMPARE(m.title, QString("Missing some data fields"));
        QCOMPARE(m.text, QString("Some fields are Blank, please fill them and submit again"));
        QCOMPARE(m.icon, MsgIcon::Exclamation);
        QCOMPARE(m.buttons, MsgButtons::Ok);
    } else {
        QVERIFY(f.msg.shown().isEmpty());
    }
}

void AnswersTest::loadingWithoutPointsSelectsIvpAndClearsGrid() {
    FormFixture f;
    f.chooseBvp();
    for (const char *v : {"1", "2", "3", "4"}) f.enter(v);
    f.state.answers.clear();
    f.state.answers.answers[1] = "Y' = X";
    f.form->GetAnswers();
    QVERIFY(f.form->optIVP->isChecked());
    QVERIFY(!f.form->optBVP->isChecked());
    QVERIFY(!f.form->isBVP());
    QCOMPARE(f.form->Rows(), 4);  // two blank rows, plus the spare row the reopened editor adds
    for (int r = 1; r < f.form->Rows(); ++r)
        for (int c = 1; c <= 2; ++c) QCOMPARE(f.form->TextMatrix(r, c), QString());
    QVERIFY(f.form->txtCellEditor->isHidden());
    QCOMPARE(f.form->Equation->text(), QString("Y' = X"));
    QVERIFY(!f.state.dataChanged);
    QVERIFY(!f.form->tabStopsStored());
}

void AnswersTest::loadingPointsFillsGrid() {
    FormFixture f;
    ProblemAnswers &a = f.state.answers;
    a.clear();
    a.resizePoints(3);
    a.xValues = {"", "1", "3", "5"};
    a.yValues = {"", "2", "3.5", "6"};
    a.nDataPoints = 3;
    f.form->GetAnswers();
    QVERIFY(f.form->optBVP->isChecked());
    QVERIFY(f.form->isBVP());
    QCOMPARE(f.form->Rows(), 3 + 3 + 1);  // two blank rows, one per point, one more
    QCOMPARE(f.form->TextMatrix(2, 1), QString("3"));
    QCOMPARE(f.form->TextMatrix(3, 2), QString("6"));
    QCOMPARE(f.form->txtCellEditor->text(), QString("1"));
    QCOMPARE(f.form->editRow(), 1);
    QCOMPARE(f.form->editCol(), 1);
    QVERIFY(!f.state.dataChanged);
    f.form->PutAnswers();
    QCOMPARE(int(a.nDataPoints), 3);
}

void AnswersTest::loadingSolverAnswersEnablesBoxes_data() {
    QTest::addColumn<QStringList>("solver");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("all filled") << QStringList{"5", "0", "100", "5", "3000", ".0001", "1.e-6"} << true;
    QTest::newRow("only Detail") << QStringList{"", "0", "", "", "", "", ""} << true;
    QTest::newRow("Remax and Detail empty, StepsLim filled")
        << QStringList{"", "", "100", "", "", "", ""} << false;
    QTest::newRow("all empty") << QStringList{"", "", "", "", "", "", ""} << false;
}

void AnswersTest::loadingSolverAnswersEnablesBoxes() {
    QFETCH(QStringList, solver);
    QFETCH(bool, enabled);
    FormFixture f;
    for (int i = 1; i <= 7; ++i) f.state.answers.solverAnswers[size_t(i)] = solver[i - 1];
    f.form->GetAnswers();
    for (int i = 1; i <= 7; ++i) {
        QCOMPARE(f.form->solverBoxes[size_t(i)]->isEnabled(), enabled);
        QCOMPARE(f.form->solverBoxes[size_t(i)]->text(), solver[i - 1]);  // text kept
    }
}

void AnswersTest::typingMarksChanged_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("marks");
    QTest::newRow("Equation") << 0 << "Equation" << true;
    for (const char *b : {"a0InitVal", "x0InitVal", "YinitVals", "nPoints", "Delta_x", "Note1", "Note2"})
        QTest::newRow(b) << 2 << b << true;
    for (const char *b : {"Remax", "Detail", "StepsLim", "StepOut", "EvalMax", "Accuracy", "Zero"})
        QTest::newRow(b) << 4 << b << true;
    QTest::newRow("tPause is a setting, not an answer") << 5 << "tPause" << false;
}

void AnswersTest::typingMarksChanged() {
    QFETCH(int, page);
    QFETCH(QString, box);
    QFETCH(bool, marks);
    FormFixture f;
    if (page != 0) f.showPage(page);
    f.click(box);
    QVERIFY(!f.state.dataChanged);
    f.type("7");
    QCOMPARE(f.state.dataChanged, marks);
}

void AnswersTest::gotFocusSelectsAll_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("selectsAll");
    QTest::newRow("Equation") << 0 << "Equation" << true;
    QTest::newRow("Note1") << 2 << "Note1" << true;
    QTest::newRow("Note2") << 2 << "Note2" << true;
    QTest::newRow("YinitVals") << 2 << "YinitVals" << true;
    QTest::newRow("x0InitVal") << 2 << "x0InitVal" << false;
    QTest::newRow("nPoints") << 2 << "nPoints" << false;
}

// The focus arrives by code (as a page change gives it), where the platform alone would not
// select anything.
void AnswersTest::gotFocusSelectsAll() {
    QFETCH(int, page);
    QFETCH(QString, box);
    QFETCH(bool, selectsAll);
    FormFixture f;
    if (page != 0) f.showPage(page);
    auto *edit = qobject_cast<QLineEdit *>(f.form->controls().widget(box));
    edit->deselect();
    f.form->ODE_Tabs->tabBar()->setFocus();
    edit->setFocus(Qt::OtherFocusReason);
    QCOMPARE(f.focused(), edit);
    QCOMPARE(edit->selectedText() == edit->text(), selectsAll);
}

void AnswersTest::putAnswersKeepsTextUntrimmed() {
    FormFixture f;
    f.form->answerBoxes[4]->setText("  0 1 ");
    f.form->solverBoxes[7]->setText(" 1.e-6");
    f.state.fileName = "Mine.ode";
    f.form->PutAnswers();
    QCOMPARE(f.state.answers.answers[4], QString("  0 1 "));
    QCOMPARE(f.state.answers.solverAnswers[7], QString(" 1.e-6"));
    QCOMPARE(int(f.state.answers.nSolverVars), 7);
    QCOMPARE(f.state.recordedName, QString("Mine.ode"));
    f.state.runMode = "Demo";  // a demo run keeps the recorded name
    f.state.fileName = "Other.ode";
    f.form->PutAnswers();
    QCOMPARE(f.state.recordedName, QString("Mine.ode"));
}

void AnswersTest::ivpIgnoresGridContents() {
    FormFixture f;
    f.chooseBvp();
    for (const char *v : {"1", "2", "3", "4"}) f.enter(v);
    QTest::mouseClick(f.form->optIVP, Qt::LeftButton);
    QCOMPARE(f.form->TextMatrix(2, 2), QString("4"));  // kept, only not counted
    f.form->PutAnswers();
    QCOMPARE(int(f.state.answers.nDataPoints), 0);
    QTest::mouseClick(f.form->optBVP, Qt::LeftButton);
    f.key(Qt::Key_Escape);
    f.form->PutAnswers();
    QCOMPARE(int(f.state.answers.nDataPoints), 2);
}

void AnswersTest::problemTypeClicksMarkChanged() {
    FormFixture f;
    f.showPage(frmMain::TabBvpData);
    QTest::mouseClick(f.form->optBVP, Qt::LeftButton);
    QVERIFY(f.state.dataChanged);
    QCOMPARE(f.form->xyGrid->palette().color(QPalette::Base), QColor(Qt::white));
    QVERIFY(f.form->xyGrid->focusPolicy() & Qt::TabFocus || f.form->tabStopsStored());
    f.key(Qt::Key_Escape);
    QVERIFY(f.form->xyGrid->focusPolicy() & Qt::TabFocus);
    f.state.dataChanged = false;
    QTest::mouseClick(f.form->optIVP, Qt::LeftButton);
    QVERIFY(f.state.dataChanged);
    QVERIFY(!(f.form->xyGrid->focusPolicy() & Qt::TabFocus));
    QVERIFY(f.form->xyGrid->palette().color(QPalette::Base) != QColor(Qt::white));
}

QTEST_MAIN(AnswersTest)
#include "tst_answers.moc"
