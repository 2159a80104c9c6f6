// Moving answers between the form and the answer set, the solver default buttons, the
// completeness check, and saving problems typed into the form as response files.
#include "FormFixture.h"
#include "model/ResponseFile.h"
#include "platform/tests/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {

QByteArray save(AppState &st, const QString &folder) {
    st.fileTemp = "Beam.ode";
    WriteAnsFile(st, "Beam.ode", folder);
    return testing::readTestFile(folder + "/Beam.ode");
}

}  // namespace

class AnswersTest : public QObject {
    Q_OBJECT
private slots:
    // Typed with keys and clicks, saved, read back. The same answers written without the form
    // give the same bytes: the form's captions and cells are the ones the writer's tests pin.
    void savesTheProblemTypedIntoTheForm_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("change");  // the answer to question 22
        QTest::addColumn<QStringList>("solver");
        QTest::newRow("Edit Defaults") << "cmdEditSolverData" << "Y"
                                       << QStringList{"5", "0", "100", "5", "3000", ".0001", "1.e-6"};
        QTest::newRow("Use Defaults") << "cmdDefaultSolverData" << "N" << QStringList{"", "", "", "", "", "", ""};
    }
    void savesTheProblemTypedIntoTheForm() {
        QFETCH(QString, button);
        QFETCH(QString, change);
        QFETCH(QStringList, solver);
        QTemporaryDir dir, dir2;
        FormFixture f;
        f.fill("Equation", "Y' * Y'' = A * X");
        f.showPage(frmMain::TabParameters);
        const QStringList boxes{"a0InitVal", "x0InitVal", "YinitVals", "nPoints", "Delta_x", "Note1", "Note2"};
        const QStringList typed{"1", "1", "2 1", "11", ".2", "", "n2"};
        for (int i = 0; i < boxes.size(); ++i) f.fill(boxes[i], typed[i]);
        f.chooseBvp();
        for (const char *v : {"1", "2", "3", "3.5", "5", "6"}) f.enter(v);
        f.showPage(frmMain::TabSolver);
        f.fill("Remax", "77");  // overwritten by either button
        f.state.dataChanged = false;
        f.click(button);
        QVERIFY(f.state.dataChanged);
        for (int i = 1; i <= 7; ++i) QCOMPARE(f.form->solverBoxes[size_t(i)]->isEnabled(), change == "Y");

        const QByteArray bytes = save(f.state, dir.path());
        f.state.form = nullptr;
        QCOMPARE(save(f.state, dir2.path()), bytes);
        f.state.form = f.form.get();

        AppState back;
        ScriptedMessageBoxes msg;
        back.msg = &msg;
        QVERIFY(ReadResponseFile(back, dir.path() + "/Beam.ode"));
        const ProblemAnswers &a = back.answers;
        QStringList got{a.answers[1]}, gotSolver;
        for (int i = 2; i <= 6; ++i) got << a.answers[size_t(i)];
        QCOMPARE(got << a.note1 << a.note2, QStringList{"Y' * Y'' = A * X"} + typed);
        QCOMPARE(int(a.nDataPoints), 3);
        QCOMPARE(a.xValues[3] + " " + a.yValues[3], QStringLiteral("5 6"));
        QCOMPARE(a.changeSolverVars, change);
        for (int i = 1; i <= 7; ++i) gotSolver << a.solverAnswers[size_t(i)];
        QCOMPARE(gotSolver, solver);
    }
    void blankAnswerTurnsLabelRed_data() {
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("missing");
        const char *boxes[] = {"", "Equation", "a0InitVal", "x0InitVal", "YinitVals", "nPoints", "Delta_x"};
        for (int i = 1; i <= 6; ++i) QTest::addRow("%s empty", boxes[i]) << i << "" << true;
        QTest::newRow("-Select-") << 5 << "-Select-" << true;
        QTest::newRow("single blank answers") << 3 << " " << false;
        QTest::newRow("-Select- only exactly") << 4 << "-select-" << false;
    }
    void blankAnswerTurnsLabelRed() {
        QFETCH(int, question);
        QFETCH(QString, answer);
        QFETCH(bool, missing);
        FormFixture f;
        f.form->answerBoxes[size_t(question)]->setText(answer);
        QCOMPARE(f.form->isCompleteTest(), !missing);
        for (int i = 1; i <= 6; ++i)
            QCOMPARE(f.form->questionColor(i) == QColor(255, 0, 0), missing && i == question);
        QCOMPARE(f.msg.shown().size(), missing ? 1 : 0);
        if (missing) {
            const MessageRequest &m = f.msg.shown().front();
            QCOMPARE(m.title, QString("Missing some data fields"));
            QCOMPARE(m.text, QString("Some fields are Blank, please fill them and submit again"));
            QCOMPARE(m.icon, MsgIcon::Exclamation);
        }
    }
    // A loaded problem replaces whatever the grid held; its points choose BVP, none IVP.
    void loadingFillsTheGridAndChoosesTheType_data() {
        QTest::addColumn<QStringList>("points");  // x|y
        QTest::newRow("no points") << QStringList{};
        QTest::newRow("three points") << QStringList{"1|2", "3|3.5", "5|6"};
    }
    void loadingFillsTheGridAndChoosesTheType() {
        QFETCH(QStringList, points);
        FormFixture f;
        f.chooseBvp();
        for (const char *v : {"7", "7", "7", "7", "7", "7", "7", "7"}) f.enter(v);
        ProblemAnswers &a = f.state.answers;
        a.clear();
        a.answers[1] = "Y' = X";
        a.resizePoints(points.size());
        for (int i = 1; i <= points.size(); ++i) {
            a.xValues[size_t(i)] = points[i - 1].section('|', 0, 0);
            a.yValues[size_t(i)] = points[i - 1].section('|', 1);
        }
        a.nDataPoints = qint16(points.size());
        f.form->GetAnswers();
        const bool bvp = !points.isEmpty();
        QCOMPARE(f.form->isBVP(), bvp);
        QCOMPARE(f.form->optIVP->isChecked(), !bvp);
        QCOMPARE(f.form->Equation->text(), QString("Y' = X"));
        QCOMPARE(f.form->Rows(), int(points.size()) + 4);  // two blank rows, one per point, one more
        for (int r = 1; r < f.form->Rows(); ++r)
            QCOMPARE(f.form->TextMatrix(r, 1) + "|" + f.form->TextMatrix(r, 2), points.value(r - 1, "|"));
        QCOMPARE(f.form->txtCellEditor->isHidden(), !bvp);
        if (bvp) QCOMPARE(QList<int>({f.form->editRow(), f.form->editCol()}), QList<int>({1, 1}));
        QVERIFY(!f.state.dataChanged);
        QCOMPARE(f.form->tabStopsStored(), bvp);  // while the editor is open
        if (bvp) QCOMPARE(f.form->txtCellEditor->text(), QString("1"));
        // Coming back to the data page shows the loaded type, and viewing changes nothing.
        f.showPage(frmMain::TabParameters);  // commits the open cell
        f.state.dataChanged = false;
        f.showPage(frmMain::TabBvpData);
        QCOMPARE(f.form->optBVP->isChecked(), bvp);
        QVERIFY(f.form->txtCellEditor->isHidden());
        QVERIFY(!f.state.dataChanged);
        f.form->PutAnswers();
        QCOMPARE(int(a.nDataPoints), int(points.size()));
    }
    void loadingSolverAnswersEnablesBoxes_data() {
        QTest::addColumn<QStringList>("solver");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("all filled") << QStringList{"5", "0", "100", "5", "3000", ".0001", "1.e-6"} << true;
        QTest::newRow("only Detail") << QStringList{"", "0", "", "", "", "", ""} << true;
        QTest::newRow("Remax and Detail empty, StepsLim filled")
            << QStringList{"", "", "100", "", "", "", ""} << false;
    }
    void loadingSolverAnswersEnablesBoxes() {
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
    // Every answer box marks the problem changed when typed in; the pause setting does not.
    void typingMarksChanged() {
        FormFixture f;
        const QList<QPair<int, QStringList>> pages = {
            {frmMain::TabEquation, {"Equation"}},
            {frmMain::TabParameters, {"a0InitVal", "x0InitVal", "YinitVals", "nPoints", "Delta_x", "Note1", "Note2"}},
            {frmMain::TabSolver, {"Remax", "Detail", "StepsLim", "StepOut", "EvalMax", "Accuracy", "Zero"}},
            {frmMain::TabRun, {"tPause"}}};
        for (const auto &[page, boxes] : pages) {
            if (page != frmMain::TabEquation) f.showPage(page);
            for (const QString &box : boxes) {
                f.state.dataChanged = false;
                f.click(box);
                f.type("7");
                QVERIFY2(f.state.dataChanged == (box != "tPause"), qPrintable(box));
            }
        }
    }
    // Typing goes to the page's first box from the start. A page change gives it the focus by
    // code: the equation and the notes then select their whole text, the number boxes do not.
    void pageChangeSelectsAllOfSomeBoxes() {
        FormFixture f;
        const std::tuple<int, const char *, bool> pages[] = {{frmMain::TabEquation, "Equation", true},
                                                              {frmMain::TabParameters, "a0InitVal", false}};
        for (const auto &[page, box, selectsAll] : pages) {
            if (page != frmMain::TabEquation) f.showPage(page);
            f.type("12");
            auto *edit = qobject_cast<QLineEdit *>(f.focused());
            QCOMPARE(static_cast<QWidget *>(edit), f.form->controls().widget(box));
            QVERIFY(edit->selectedText().isEmpty());
            f.showPage(frmMain::TabRun);
            f.showPage(page);
            QCOMPARE(f.focused(), edit);
            QCOMPARE(edit->selectedText() == "12", selectsAll);
        }
    }
    void putAnswersKeepsTextUntrimmed() {
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
    // The option buttons mark the problem changed and make the grid a white tab stop or a grey
    // non-stop; an IVP keeps the cells but counts no points.
    void problemTypeClicks() {
        FormFixture f;
        f.showPage(frmMain::TabBvpData);
        QTest::mouseClick(f.form->optBVP, Qt::LeftButton);
        QVERIFY(f.state.dataChanged);
        QCOMPARE(f.form->xyGrid->palette().color(QPalette::Base), QColor(Qt::white));
        for (const char *v : {"1", "2", "3", "4"}) f.enter(v);
        f.key(Qt::Key_Escape);
        QVERIFY(f.form->xyGrid->focusPolicy() & Qt::TabFocus);
        f.state.dataChanged = false;
        QTest::mouseClick(f.form->optIVP, Qt::LeftButton);
        QVERIFY(f.state.dataChanged);
        QVERIFY(!(f.form->xyGrid->focusPolicy() & Qt::TabFocus));
        QVERIFY(f.form->xyGrid->palette().color(QPalette::Base) != QColor(Qt::white));
        QCOMPARE(f.form->TextMatrix(2, 2), QString("4"));
        f.form->PutAnswers();
        QCOMPARE(int(f.state.answers.nDataPoints), 0);
        QTest::mouseClick(f.form->optBVP, Qt::LeftButton);
        f.key(Qt::Key_Escape);
        f.form->PutAnswers();
        QCOMPARE(int(f.state.answers.nDataPoints), 2);
    }
};

QTEST_MAIN(AnswersTest)
#include "tst_answers.moc"
