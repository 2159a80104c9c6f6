#include "ui/frmMain.h"

#include "model/AnswerRules.h"
#include "model/Captions.h"
#include "model/FileCommands.h"
#include "ui/QtCommonDialog.h"
#include "resize/Twips.h"
#include "ui/HelpMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <cmath>
#include <functional>

namespace quadrel {

namespace {

// Giving the focus succeeds only for a control that is showing, enabled and focusable.
bool trySetFocus(QWidget *w) {
    QWidget *target = w->focusProxy() ? w->focusProxy() : w;
    if (!w->isVisible() || !w->isEnabled() || target->focusPolicy() == Qt::NoFocus) return false;
    w->setFocus(Qt::OtherFocusReason);
    return true;
}

void setBackground(QWidget *w, const QColor &c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
}

const QColor kGridWhite(0xff, 0xff, 0xff);
const QColor kGridGrey(0xc8, 0xc8, 0xc8);  // the workspace grey of an unused grid
const QColor kMissingRed(0xff, 0x00, 0x00);

}  // namespace

frmMain::frmMain(AppState &state, QWidget *parent) : QMainWindow(parent), state_(state) {
    setObjectName("frmMain");
    {
        QFont f = font();  // one point size for the whole form; the layout is made for it
        f.setPointSize(9);
        setFont(f);
    }

    auto *form = new QWidget(this);  // the form's inner area
    form->setObjectName("formArea");
    setCentralWidget(form);
    form->resize(twips::toPixels(0, 0, kDesignWidth, kDesignHeight).size());

    picCanvas = new QWidget(form);
    picCanvas->setObjectName("picCanvas");
    placeTwips(picCanvas, 0, 0, kDesignWidth, kDesignHeight - 255);

    ODE_Tabs = new TabControl(picCanvas);
    ODE_Tabs->setObjectName("ODE_Tabs");
    ODE_Tabs->setUsesScrollButtons(false);
    placeTwips(ODE_Tabs, 120, 120, kDesignWidth - 240, kDesignHeight - 255 - 180);

    page1 = new EquationPage;
    pageDemos = new DemosPage;
    page2 = new ParametersPage;
    page3 = new BvpDataPage;
    page4 = new SolverVariablesPage;
    page5 = new RunPage;
    page6 = new TipsPage;
    ODE_Tabs->addTab(page1, "&1. Equation");
    ODE_Tabs->addTab(pageDemos, "&Demos");
    ODE_Tabs->addTab(page2, "&2. Parameters");
    ODE_Tabs->addTab(page3, "&3. BVP Data");
    ODE_Tabs->addTab(page4, "&4. Solver Variables");
    ODE_Tabs->addTab(page5, "&5. Run");
    ODE_Tabs->addTab(page6, "&6. Tips/Suggestions");

    HScroll1 = new QScrollBar(Qt::Horizontal, form);
    HScroll1->setObjectName("HScroll1");
    placeTwips(HScroll1, 0, kDesignHeight - 255, kDesignWidth - 100, 255);
    HScroll1->hide();
    VScroll1 = new QScrollBar(Qt::Vertical, form);
    VScroll1->setObjectName("VScroll1");
    placeTwips(VScroll1, kDesignWidth - 255, 0, 255, kDesignHeight - 255);
    VScroll1->hide();
    VScroll1->move(twips::toPixelsX(-65000), VScroll1->y());  // parked out of sight, never used
    // The program's file dialog unless the caller installed one (tests script theirs).
    if (!state_.CMDialog1) state_.CMDialog1 = new QtCommonDialog(this);
    CMDialog1 = state_.CMDialog1;
    CMDialog1->setObjectName("CMDialog1");

    Equation = page1->equation;
    optIVP = page3->optIVP;
    optBVP = page3->optBVP;
    xyGrid = page3->xyGrid;
    txtCellEditor = page3->txtCellEditor;
    RichTextBox1 = page6->RichTextBox1;
    answerBoxes = {nullptr, Equation, page2->a0InitVal, page2->x0InitVal,
                   page2->YinitVals, page2->nPoints, page2->Delta_x};
    solverBoxes = page4->boxes;

    buildMenus();
    registerControls();
    prepareControls();
    connectEvents();
    connectRunEvents();

    resize(form->width(), form->height() + menuBar()->sizeHint().height());
    state_.form = this;
    ShowFilename();
    prepareView();
}

frmMain::~frmMain() {
    // The controls outlive this object's members while QWidget deletes them; no event of
    // theirs may reach the form's handlers any more.
    for (QObject *child : findChildren<QObject *>()) child->disconnect(this);
    if (state_.form == this) state_.form = nullptr;
    if (CMDialog1->parent() == this) state_.CMDialog1 = nullptr;
}

void frmMain::closeEvent(QCloseEvent *event) {
    event->accept();
    emit unloaded();
}

void frmMain::buildMenus() {
    QMenuBar *bar = menuBar();
    auto menu = [&](QMenu *parentMenu, const char *name, const QString &caption) {
        QMenu *m = parentMenu ? parentMenu->addMenu(caption) : bar->addMenu(caption);
        m->setObjectName(QString(name) + "Menu");
        m->menuAction()->setObjectName(name);
        return m;
    };
    auto item = [](QMenu *m, const char *name, const QString &caption) {
        QAction *a = m->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    auto bar_ = [](QMenu *m, const char *name) { m->addSeparator()->setObjectName(name); };

    QMenu *file = menu(nullptr, "mnuFile", "&File");
    item(file, "mnuFileNew", "&New");
    item(file, "mnuFileOpen", "&Open ...");
    item(file, "mnuFileSave", "&Save");
    item(file, "mnuFileSaveAs", "Save &As ...");
    item(file, "mnuFileDelete", "&Delete ...");
    bar_(file, "mnuFileBar1");
    item(file, "mnuFileSubmit", "Submit &Run");
    bar_(file, "mnuFileBar2");
    item(file, "mnuFileExit", "E&xit");

    QMenu *demos = menu(nullptr, "mnuDemos", "&Demos");
    item(demos, "mnuDemosRun", "Run &Demo ...");

    QMenu *view = menu(nullptr, "mnuView", "&View");
    item(view, "mnuViewOutput", "&Last Output ...");
    item(view, "mnuViewPlots", "&Plots ...");
    item(view, "mnuViewDemos", "&Example File ...");

    QMenu *web = menu(nullptr, "mnuWeb", "&Web Links");
    item(web, "mnuWebLinkEd", "notePad++ Code Editor, we recommend it.");
    bar_(web, "mnuWebSeperater4");
    item(web, "mnuWebLink", "Quadrel's Website");
    item(web, "mnuWebLink3", "Parameter 'Tweaking' Textbook");
    item(web, "mnuWebLink4", "Say it with equations, let the computer do the numbers!");
    bar_(web, "mnuWebSeperater");
    bar_(web, "mnuWebLinkBar");
    item(web, "mnuWebLinkComp", "Vetrix Equation Checker and Compiler");
    bar_(web, "mnuWebLinkBar2");
    QMenu *apps = menu(web, "mnuWebLinkApp", "Harrowfield Applications");
    item(apps, "mnuWebLinkAppPlots", "Lumaplots Plot Viewer");
    item(apps, "mnuWebLinkAppText", "notePad2 Text Viewer");
    item(apps, "mnuWebLinkAppSolver", "vade ODE Solver");
    QMenu *apps2 = menu(web, "mnuWebLinkApp2", "Other Apps");
    item(apps2, "mnuWebLinkAppEditor", "MyEditor Editor Launcher");

    QMenu *help = menu(nullptr, "mnuHelp", "&Help");
    item(help, "mnuHelpManual", "&Manual ...");
    item(help, "mnuHelpSource", "&Source ...");
    bar_(help, "mnuHelpBar1");
    item(help, "mnuHelpEmail", "&E-mail Support ...");
    item(help, "mnuHelpDonate", "Donate ...");
    item(help, "mnuHelpAbout", "&About ...");
    help_ = new HelpMenu(*this, state_);
}

void frmMain::registerControls() {
    auto &r = registry_;
    r.add(picCanvas, "PictureBox");
    r.add(ODE_Tabs, "SSTab");

    // Each page: the controls that take the focus first, in tab order, then its labels.
    r.add(Equation, "TextBox", TabEquation);
    r.add(page1->cmdTestIt, "CommandButton", TabEquation);
    r.add(page1->question1, "Label", TabEquation, 1);
    for (int i = 1; i <= 4; ++i) r.add(page1->question2[size_t(i)], "Label", TabEquation, i);
    r.add(page1->lblInstructions1, "Label", TabEquation);
    r.add(page1->lblTestIt, "Label", TabEquation);

    for (int i = 1; i <= DemosPage::kExamples; ++i)
        r.add(pageDemos->exam[size_t(i)], "OptionButton", TabDemos, i);
    r.add(pageDemos->cmdRunDemo, "CommandButton", TabDemos);
    r.add(pageDemos->cmdCancelDemo, "CommandButton", TabDemos);
    for (int i = 1; i <= DemosPage::kExamples; ++i)
        r.add(pageDemos->exTime[size_t(i)], "Label", TabDemos, i);
    for (int i = 1; i <= DemosPage::kExamples; ++i)
        r.add(pageDemos->description[size_t(i)], "Label", TabDemos, i);
    r.add(pageDemos->lblDemoInstructions, "Label", TabDemos);
    r.add(pageDemos->lblDemoHeader1, "Label", TabDemos);
    r.add(pageDemos->lblDemoHeader2, "Label", TabDemos);
    r.add(pageDemos->lblDemoHeader3, "Label", TabDemos);

    for (int i = 2; i <= 6; ++i) r.add(answerBoxes[size_t(i)], "TextBox", TabParameters);
    r.add(page2->Note1, "TextBox", TabParameters);
    r.add(page2->Note2, "TextBox", TabParameters);
    for (int i = 2; i <= 6; ++i) r.add(page2->question[size_t(i)], "Label", TabParameters, i);
    r.add(page2->lblHeader2b, "Label", TabParameters);
    r.add(page2->lblHeader2a, "Label", TabParameters);
    r.add(page2->lblKeepNotes, "Label", TabParameters);
    r.add(page2->lblTabNote, "Label", TabParameters);

    r.add(optIVP, "OptionButton", TabBvpData);
    r.add(optBVP, "OptionButton", TabBvpData);
    r.add(xyGrid, "MSHFlexGrid", TabBvpData);
    r.add(page3->cmdClear, "CommandButton", TabBvpData);
    r.add(txtCellEditor, "TextBox", TabBvpData);
    r.add(page3->lblProblemType, "Label", TabBvpData);
    r.add(page3->lblProbDefinitions, "Label", TabBvpData);
    r.add(page3->lblArrowMovement1, "Label", TabBvpData);

    for (int i = 1; i <= 7; ++i) r.add(solverBoxes[size_t(i)], "TextBox", TabSolver);
    r.add(page4->cmdEditSolverData, "CommandButton", TabSolver);
    r.add(page4->cmdDefaultSolverData, "CommandButton", TabSolver);
    for (int i = 1; i <= 7; ++i) r.add(page4->solvQuestion[size_t(i)], "Label", TabSolver, i);
    r.add(page4->lblHeader4a, "Label", TabSolver);
    r.add(page4->lblHeader4b, "Label", TabSolver);
    r.add(page4->lblInstructions4, "Label", TabSolver);

    r.add(page5->tPause, "TextBox", TabRun);
    r.add(page5->AutoExit, "CheckBox", TabRun);
    r.add(page5->cmdSubmit, "CommandButton", TabRun);
    r.add(page5->cmdPlots, "CommandButton", TabRun);
    r.add(page5->lblPause, "Label", TabRun);
    r.add(page5->lblRunNotice, "Label", TabRun);

    r.add(RichTextBox1, "RichTextBox", TabTips);

    r.add(HScroll1, "HScrollBar");
    r.add(VScroll1, "VScrollBar");
    r.add(CMDialog1, "CommonDialog");

    // Menus, depth first in menu order; separators are menu entries too.
    std::function<void(QMenu *)> addMenu = [&](QMenu *m) {
        r.add(m->menuAction(), "Menu");
        for (QAction *a : m->actions()) {
            if (a->menu()) addMenu(a->menu());
            else r.add(a, "Menu");
        }
    };
    for (QAction *top : menuBar()->actions()) addMenu(top->menu());

    // The tab chain follows the registry's tab order.
    QWidget *previous = nullptr;
    for (const auto &e : r.entries()) {
        QWidget *w = e.widget();
        if (!w || !hasTabStop(e)) continue;
        if (w == ODE_Tabs) w = ODE_Tabs->tabBar();  // the tab control's focus is its tab strip
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void frmMain::prepareControls() {
    const bool changed = state_.dataChanged;
    ODE_Tabs->setCurrentIndex(TabEquation);
    ODE_Tabs->setTabEnabled(TabDemos, false);

    const QFontMetrics fm(xyGrid->font());
    xyGrid->setColumnCount(3);
    xyGrid->setColumnWidth(0, fm.horizontalAdvance(QStringLiteral("0000")) + 10);
    setRows(3);
    FormatGrid();
    xyGrid->setCurrentCell(0, 1);
    txtCellEditor->hide();
    txtCellEditor->setFont(xyGrid->font());
    SizeGridColumns();
    setOptionValue(optIVP, true);
    setTabStop(*registry_.entryOf(xyGrid), false);
    state_.dataChanged = changed;
}

void frmMain::connectEvents() {
    auto onMenu = [this](const char *name, auto handler) {
        connect(menuAction(name), &QAction::triggered, this, handler);
    };
    onMenu("mnuFileNew", [this] { FileNew(state_); });
    onMenu("mnuFileOpen", [this] { FileOld(state_); state_.saveFailed = 0; });
    onMenu("mnuFileSave", [this] { FileSave(state_); state_.saveFailed = 0; });
    onMenu("mnuFileSaveAs", [this] { FileSaveAs(state_); state_.saveFailed = 0; });
    onMenu("mnuFileDelete", [this] { FileDelete(state_); });
    onMenu("mnuFileExit", [this] { emit exitChosen(); });

    connect(ODE_Tabs, &QTabWidget::currentChanged, this, [this] { ODE_Tabs_Click(); });
    for (int i = 1; i <= 6; ++i)
        connect(answerBoxes[size_t(i)], &QLineEdit::textChanged, this, [this] { markChanged(); });
    for (int i = 1; i <= 7; ++i)
        connect(solverBoxes[size_t(i)], &QLineEdit::textChanged, this, [this] { markChanged(); });
    for (TextBox *note : {page2->Note1, page2->Note2})
        connect(note, &QLineEdit::textChanged, this, [this] { markChanged(); });
    for (TextBox *box : {Equation, page2->Note1, page2->Note2, page2->YinitVals})
        connect(box, &TextBox::gotFocus, box, [box] { box->setSelection(0, 9999); });

    connect(optBVP, &QRadioButton::clicked, this, [this] { optBVP_Click(); });
    connect(optIVP, &QRadioButton::clicked, this, [this] { optIVP_Click(); });
    connect(page4->cmdEditSolverData, &QPushButton::clicked, this, [this] { cmdEditSolverData_Click(); });
    connect(page4->cmdDefaultSolverData, &QPushButton::clicked, this,
            [this] { cmdDefaultSolverData_Click(); });
    connect(page3->cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });

    connect(xyGrid, &DataGrid::clicked, this, [this] { ShowCellEditor(); });
    connect(xyGrid, &DataGrid::mouseDown, this, [this] { HideCellEditor(false); });
    connect(xyGrid, &DataGrid::keyPress, this, &frmMain::xyGrid_KeyPress);
    connect(xyGrid->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!txtCellEditor->isHidden()) placeCellEditor();
    });
    connect(txtCellEditor, &TextBox::gotFocus, this, &frmMain::txtCellEditor_GotFocus);
    connect(txtCellEditor, &CellEditor::keyDown, this, &frmMain::txtCellEditor_KeyDown);
    connect(txtCellEditor, &CellEditor::escapePressed, this, [this] { HideCellEditor(true); });
    for (OptionButton *option : {page3->optIVP, page3->optBVP})
        connect(option, &OptionButton::gotFocus, this, [this] { keepEditorFocus(); });
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { MoveCanvas(); });
    connect(HScroll1, &QScrollBar::sliderMoved, this, [this] { MoveCanvas(); });
}

QAction *frmMain::menuAction(const QString &name) const {
    const ControlEntry *e = registry_.entry(name);
    return (e && e->typeName == QLatin1String("Menu")) ? qobject_cast<QAction *>(e->object.data())
                                                      : nullptr;
}

// ---------------------------------------------------------------- answer transfer

void frmMain::GetAnswers() {
    const ProblemAnswers &a = state_.answers;
    for (int i = 1; i <= 6; ++i) answerBoxes[size_t(i)]->setText(a.answers[size_t(i)]);
    page2->Note1->setText(a.note1);
    page2->Note2->setText(a.note2);

    ClearGrid();
    if (a.nDataPoints < 1) {
        setOptionValue(optIVP, true);
    } else {
        setRows(3);
        setOptionValue(optBVP, true);
        auto value = [](const std::vector<QString> &v, int i) {
            return size_t(i) < v.size() ? v[size_t(i)] : QString();
        };
        for (int i = 1; i <= a.nDataPoints; ++i) {
            AddGridRow();
            setTextMatrix(i, 1, value(a.xValues, i));
            setTextMatrix(i, 2, value(a.yValues, i));
        }
        AddGridRow();
        txtCellEditor->setText(value(a.xValues, 1));
        editRow_ = 1;
        editCol_ = 1;
    }

    for (int i = 1; i <= 7; ++i) solverBoxes[size_t(i)]->setText(a.solverAnswers[size_t(i)]);
    EnableSolverFields(!(solverBoxes[1]->text().isEmpty() && solverBoxes[2]->text().isEmpty()));
    state_.dataChanged = false;
}

void frmMain::PutAnswers() {
    ProblemAnswers &a = state_.answers;
    if (state_.runMode != QLatin1String("Demo")) state_.recordedName = state_.fileName;
    for (int i = 1; i <= 6; ++i) a.answers[size_t(i)] = answerBoxes[size_t(i)]->text();
    a.note1 = page2->Note1->text();
    a.note2 = page2->Note2->text();

    if (optBVP->isChecked())
        takeGridPoints(a, Rows(), [this](int row, int col) { return TextMatrix(row, col); });
    else if (optIVP->isChecked())
        a.nDataPoints = 0;

    for (int i = 1; i <= 7; ++i) a.solverAnswers[size_t(i)] = solverBoxes[size_t(i)]->text();
    a.nSolverVars = solverVarsFromForm(a);
}

bool frmMain::isAllAnswered() {
    PutAnswers();
    bool all = true;
    const QColor infoText = QApplication::palette().color(QPalette::ToolTipText);
    for (int i = 1; i <= 6; ++i) {
        const bool missing = isAnswerMissing(state_.answers.answers[size_t(i)]);
        QLabel *label = qobject_cast<QLabel *>(registry_.widget("Question", i));
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, missing ? kMissingRed : infoText);
        label->setPalette(p);
        if (missing) all = false;
    }
    return all;
}

bool frmMain::isCompleteTest() {
    if (isAllAnswered()) return true;
    state_.msg->show(QStringLiteral("Missing some data fields"),
                     QStringLiteral("Some fields are Blank, please fill them and submit again"),
                     MsgIcon::Exclamation, MsgButtons::Ok);
    return false;
}

QColor frmMain::questionColor(int i) const {
    const QWidget *label = registry_.widget("Question", i);
    return label ? label->palette().color(QPalette::WindowText) : QColor();
}

void frmMain::EnableSolverFields(bool enabled) {
    for (int i = 7; i >= 1; --i) solverBoxes[size_t(i)]->setEnabled(enabled);
}

void frmMain::setOptionValue(QRadioButton *option, bool value) {
    if (option->isChecked() == value) return;
    if (value) {
        option->setChecked(true);
        if (option == optBVP) optBVP_Click();
        else if (option == optIVP) optIVP_Click();
    } else {
        option->setAutoExclusive(false);  // code may leave neither option selected
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void frmMain::optBVP_Click() {
    setBackground(xyGrid, kGridWhite);
    setTabStop(*registry_.entryOf(xyGrid), true);
    markChanged();
    isBVP_ = true;
    editRow_ = 1;
    editCol_ = 1;
    if (ODE_Tabs->currentIndex() == TabBvpData) {
        xyGrid->setFocus(Qt::OtherFocusReason);
        ShowCellEditor();
    }
}

void frmMain::optIVP_Click() {
    HideCellEditor(false);
    isBVP_ = false;
    if (tabStopsStored_) RestoreTabStops();
    setTabStop(*registry_.entryOf(optIVP), true);
    setTabStop(*registry_.entryOf(optBVP), false);
    setBackground(xyGrid, kGridGrey);
    setTabStop(*registry_.entryOf(xyGrid), false);
    markChanged();
}

void frmMain::cmdEditSolverData_Click() {
    for (int i = 1; i <= 7; ++i) solverBoxes[size_t(i)]->setText(captions::solverDefault(i));
    markChanged();
    EnableSolverFields(true);
}

void frmMain::cmdDefaultSolverData_Click() {
    for (int i = 1; i <= 7; ++i) solverBoxes[size_t(i)]->clear();
    markChanged();
    EnableSolverFields(false);
}

QString frmMain::questionCaption(int i) const {
    const auto *label = qobject_cast<const QLabel *>(registry_.widget("Question", i));
    return label ? label->text() : QString();
}

QString frmMain::solvQuestionCaption(int i) const {
    const auto *label = qobject_cast<const QLabel *>(registry_.widget("SolvQuestion", i));
    return label ? label->text() : QString();
}

QString frmMain::gridCellText(int row, int col) const { return TextMatrix(row, col); }

void frmMain::enableSubmit() { page5->cmdSubmit->setEnabled(true); }
QString frmMain::equationText() const { return Equation->text(); }
void frmMain::focusEquation() { Equation->setFocus(Qt::OtherFocusReason); }
void frmMain::selectProblemType(bool bvp) { setOptionValue(bvp ? optBVP : optIVP, true); }

// ---------------------------------------------------------------- the data grid

int frmMain::Rows() const { return xyGrid->rowCount() + 1; }
void frmMain::setRows(int rows) { xyGrid->setRowCount(qMax(rows, 2) - 1); }
int frmMain::Row() const { return qMax(xyGrid->currentRow(), 0) + 1; }
int frmMain::Col() const { return qBound(1, xyGrid->currentColumn(), 2); }

void frmMain::setRow(int row) {
    while (row >= Rows()) AddGridRow();  // the grid never loses its place off its last row
    xyGrid->setCurrentCell(qMax(row, 1) - 1, Col());
}

void frmMain::setCol(int col) { xyGrid->setCurrentCell(Row() - 1, qBound(1, col, 2)); }

QString frmMain::TextMatrix(int row, int col) const {
    if (row < 1 || row >= Rows() || col < 0 || col > 2) return QString();
    const QTableWidgetItem *item = xyGrid->item(row - 1, col);
    return item ? item->text() : QString();
}

void frmMain::setTextMatrix(int row, int col, const QString &text) {
    if (row < 1 || row >= Rows() || col < 1 || col > 2) return;
    QTableWidgetItem *item = xyGrid->item(row - 1, col);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        xyGrid->setItem(row - 1, col, item);
    }
    item->setText(text);
}

double frmMain::ColWidth(int col) const { return twips::fromPixelsX(xyGrid->columnWidth(col)); }
void frmMain::setColWidth(int col, double tw) { xyGrid->setColumnWidth(col, twips::toPixelsX(tw)); }

void frmMain::FormatGrid() {
    xyGrid->setHorizontalHeaderLabels({"#", "X values", "Y values"});
    for (int c = 0; c < 3; ++c)
        xyGrid->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignCenter);
    for (int r = 1; r < Rows(); ++r) {
        auto *number = new QTableWidgetItem(QString::number(r));
        number->setFlags(Qt::NoItemFlags);  // the row-number column is fixed
        number->setTextAlignment(Qt::AlignCenter);
        number->setBackground(xyGrid->palette().button());
        number->setForeground(xyGrid->palette().buttonText());
        xyGrid->setItem(r - 1, 0, number);
    }
}

void frmMain::ClearGrid() {
    const double w1 = ColWidth(1), w2 = ColWidth(2);
    xyGrid->setCurrentCell(0, 1);
    xyGrid->clearContents();
    setRows(3);
    xyGrid->setCurrentCell(0, 1);
    FormatGrid();
    setColWidth(1, w1);
    setColWidth(2, w2);
    HideCellEditor(true);
    if (isBVP_) ShowCellEditor();
}

void frmMain::AddGridRow() {
    const double w1 = ColWidth(1), w2 = ColWidth(2);
    setRows(Rows() + 1);
    markChanged();
    FormatGrid();
    setColWidth(1, w1);
    setColWidth(2, w2);
}

void frmMain::SizeGridColumns() {
    // The grid's usable width: inside its frame and beside the vertical scroll bar it always
    // shows, so that the two data columns fill it exactly.
    const int inner = xyGrid->width() - 2 * xyGrid->frameWidth()
                      - xyGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, xyGrid);
    const double avail = std::nearbyint(twips::fromPixelsX(inner) - ColWidth(0) - 20);
    setColWidth(1, std::nearbyint(avail / 2));
    setColWidth(2, avail - ColWidth(1) - 30);
}

void frmMain::placeCellEditor() {
    const QModelIndex index = xyGrid->model()->index(Row() - 1, Col());
    const QRect cell = xyGrid->visualRect(index);
    const QPoint at = xyGrid->viewport()->mapTo(txtCellEditor->parentWidget(), cell.topLeft());
    txtCellEditor->setGeometry(at.x(), at.y(), cell.width() - 1, cell.height() - 1);
}

void frmMain::ShowCellEditor() {
    if (ODE_Tabs->currentIndex() != TabBvpData) return;
    StoreTabStops();
    xyGrid->setCurrentCell(Row() - 1, Col());  // collapses the selection to the current cell
    xyGrid->scrollTo(xyGrid->model()->index(Row() - 1, Col()));
    placeCellEditor();
    txtCellEditor->setText(TextMatrix(Row(), Col()));
    txtCellEditor->show();
    txtCellEditor->raise();
    txtCellEditor->setFocus(Qt::OtherFocusReason);
    editRow_ = Row();
    editCol_ = Col();
}

void frmMain::HideCellEditor(bool cancel) {
    if (!txtCellEditor->isHidden()) {
        if (!cancel) {
            markChanged();
            setTextMatrix(editRow_, editCol_, txtCellEditor->text());
        }
        // The tab stops come back and the grid takes the focus before the editor goes: a
        // hidden editor must never keep the keyboard.
        const bool hadFocus = txtCellEditor->hasFocus();
        if (tabStopsStored_) RestoreTabStops();
        if (hadFocus && xyGrid->isVisible() && xyGrid->isEnabled())
            xyGrid->setFocus(Qt::OtherFocusReason);
        txtCellEditor->hide();
    }
    if (tabStopsStored_) RestoreTabStops();
}

void frmMain::MoveCellEditor(int direction) {
    HideCellEditor(false);
    switch (direction) {
    case 0:
        xyGrid->setFocus(Qt::OtherFocusReason);
        ShowCellEditor();
        break;
    case 1:
        if (Row() + 3 > Rows()) AddGridRow();
        setRow(Row() + 1);
        ShowCellEditor();
        break;
    case 2:
        if (Row() >= 2) setRow(Row() - 1);
        ShowCellEditor();
        break;
    default: break;
    }
}

void frmMain::cmdClear_Click() {
    ClearGrid();
    markChanged();
}

void frmMain::xyGrid_KeyPress(int ascii, const QString &text) {
    ShowCellEditor();
    if (ascii >= 32) {
        txtCellEditor->setText(text.left(1));
        txtCellEditor->setCursorPosition(1);
    }
}

void frmMain::txtCellEditor_GotFocus() {
    if (Row() + 3 > Rows()) AddGridRow();
}

void frmMain::txtCellEditor_KeyDown(int key, bool shift) {
    switch (key) {
    case Qt::Key_Up: MoveCellEditor(2); break;
    case Qt::Key_Down: MoveCellEditor(1); break;
    case Qt::Key_Tab:
    case Qt::Key_Return:
        if (!shift) {
            if (Col() == 1) {
                setCol(2);
            } else {
                setCol(1);
                setRow(Row() + 1);
            }
        } else if (Row() > 1 && Col() == 1) {
            setRow(Row() - 1);
            setCol(2);
        } else if (Col() == 2) {
            setCol(1);
        }
        MoveCellEditor(0);
        break;
    default: break;
    }
}

// ---------------------------------------------------------------- focus and tab stops

const QStringList &frmMain::forcedTabStops() {
    static const QStringList names = {
        "A0initVal", "X0initVal", "YinitVals", "nPoints", "Delta_x", "Note1", "Note2",
        "optBVP", "optIVP", "ODE_Tabs", "Remax", "Detail", "StepsLim", "StepOut", "EvalMax",
        "Accuracy", "Zero", "cmdCancelDemo", "cmdClear", "cmdDefaultSolverData",
        "cmdEditSolverData", "cmdPlots", "cmdRunDemo", "cmdSubmit", "cmdTestIt"};
    return names;
}

void frmMain::StoreTabStops() {
    if (tabStopsStored_) return;
    tabStopsStored_ = true;
    savedTabStops_.assign(size_t(registry_.count()) + 1, TabStopRec{});
    size_t i = 0;
    for (const auto &e : registry_.entries()) {
        TabStopRec &rec = savedTabStops_[++i];
        rec.isMember = registry_.lookupTypeName(e.name) == QLatin1String("Object");
        if (rec.isMember) rec.index = e.index;
        rec.ctlName = e.name;
        rec.tabStop = tabStop(e);
        setTabStop(e, false);
    }
}

void frmMain::RestoreTabStops() {
    if (!tabStopsStored_) return;
    for (size_t i = 1; i < savedTabStops_.size(); ++i) {
        const TabStopRec &rec = savedTabStops_[i];
        const ControlEntry *e = registry_.entry(rec.ctlName, rec.isMember ? rec.index : -1);
        if (e) setTabStop(*e, rec.tabStop);
    }
    savedTabStops_.assign(1, TabStopRec{});
    tabStopsStored_ = false;
    for (const QString &name : forcedTabStops())
        if (const ControlEntry *e = registry_.entry(name)) setTabStop(*e, true);
}

void frmMain::FocusTabPage() {
    HideCellEditor(false);
    int minTab = 99999;
    const int showing = ODE_Tabs->currentIndex();
    for (const auto &e : registry_.entries()) {
        QWidget *w = e.widget();
        if (!w || e.page < 0) continue;  // only the controls the pages hold directly
        if (e.name.startsWith(QLatin1String("mnu")) || e.name.startsWith(QLatin1String("lbl")))
            continue;
        if (e.page != showing) {
            w->setEnabled(false);
        } else {
            w->setEnabled(true);
            if (e.tabIndex < minTab) {
                minTab = e.tabIndex;
                trySetFocus(w);
            }
        }
    }
    if (showing == TabBvpData) setOptionValue(optBVP, isBVP_);
}

void frmMain::ODE_Tabs_Click() {
    FocusTabPage();
    SizeTipsText();
}

}  // namespace quadrel
