#pragma once
// The main window: the seven-page tab control with every question, the (X, Y) data grid with
// its floating cell editor, the menus, the control registry, the transfer between the form
// and the answer set, and the focus and tab-stop rules of page changes and grid edits.
#include "model/AnswerForm.h"
#include "model/AppState.h"
#include "platform/CommonDialog.h"
#include "run/RunPipeline.h"
#include "resize/mdlReSize.h"
#include "ui/ControlRegistry.h"
#include "ui/pages/BvpDataPage.h"
#include "ui/pages/DemosPage.h"
#include "ui/pages/EquationPage.h"
#include "ui/pages/ParametersPage.h"
#include "ui/pages/RunPage.h"
#include "ui/pages/SolverVariablesPage.h"
#include "ui/pages/TipsPage.h"

#include <QMainWindow>
#include <array>
#include <vector>

class QAction;
class QMenu;
class QRadioButton;
class QScrollBar;
class QTabWidget;

namespace quadrel {

class HelpMenu;

class frmMain : public QMainWindow, public AnswerForm, public RunForm {
    Q_OBJECT
public:
    // Inner size of the form at design time, twips; every control is placed for this size.
    static constexpr double kDesignWidth = 12000;
    static constexpr double kDesignHeight = 8400;
    // Pages of ODE_Tabs by index.
    enum Tab { TabEquation = 0, TabDemos, TabParameters, TabBvpData, TabSolver, TabRun, TabTips };

    // Builds the form and makes it the question form of state (state.form).
    explicit frmMain(AppState &state, QWidget *parent = nullptr);
    ~frmMain() override;

    // ---- answer transfer ----
    void GetAnswers() override;
    void PutAnswers() override;
    bool isAllAnswered();
    bool isCompleteTest();
    void EnableSolverFields(bool enabled);
    QColor questionColor(int i) const;

    // ---- the form view the response file writer and reader use ----
    QString questionCaption(int i) const override;
    QString solvQuestionCaption(int i) const override;
    QString gridCellText(int row, int col) const override;
    QString equationText() const override;
    void focusEquation() override;
    void selectProblemType(bool bvp) override;
    void enableSubmit() override;
    void unloadForm() override { close(); }

    // ---- the data grid ----
    void FormatGrid();
    void ClearGrid() override;
    void AddGridRow();
    void SizeGridColumns();
    void ShowCellEditor();
    void HideCellEditor(bool cancel = false);
    void MoveCellEditor(int direction);  // 0 stay, 1 down, 2 up
    // Grid rows counted with the heading row; data rows are 1 .. Rows() - 1. Columns 1 (X)
    // and 2 (Y) hold data, column 0 the row numbers.
    int Rows() const;
    void setRows(int rows);
    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);
    double ColWidth(int col) const;  // twips
    void setColWidth(int col, double tw);
    int editRow() const { return editRow_; }
    int editCol() const { return editCol_; }
    bool isBVP() const { return isBVP_; }

    // ---- focus and tab stops ----
    void StoreTabStops();
    void RestoreTabStops();
    void FocusTabPage();
    bool tabStopsStored() const { return tabStopsStored_; }
    // The controls whose tab stop every restore switches on, in order.
    static const QStringList &forcedTabStops();

    // ---- Help and Web Links ----
    HelpMenu *helpMenu() const { return help_; }

    // ---- runs, demos and viewing ----
    void cmdSubmit_Click();
    void cmdTestIt_Click();
    void mnuDemosRun_Click();
    void Exam_Click(int index);
    void cmdRunDemo_Click();
    void cmdCancelDemo_Click();
    // Only the Demos and Tips pages available, the Demos page showing.
    void EnterDemoMode();
    // Enables or disables the named top-level menus (mnuFile, mnuDemos, ...).
    void setMenusEnabled(const QStringList &names, bool enabled);
    QString pauseText() const override;
    bool autoExit() const override;
    void enablePlots() override;
    bool saveAs() override;

    // ---- canvas, tips box, caption and menus (CanvasView.cpp) ----
    void MoveCanvas();
    void SizeTipsText();
    void resetView();     // the five main menus available again after a run
    void ShowFilename() override;  // the caption, with the current file name in front when there is one
    // The inner size of the form, twips.
    double ScaleWidth() const;
    double ScaleHeight() const;

    const ControlRegistry &controls() const { return registry_; }
    // A menu entry by name (case-insensitive), nullptr when there is none.
    QAction *menuAction(const QString &name) const;

    AppState &state() { return state_; }

    // Pages and the form-level controls.
    QWidget *picCanvas;
    QTabWidget *ODE_Tabs;
    QScrollBar *HScroll1, *VScroll1;
    CommonDialog *CMDialog1;
    EquationPage *page1;
    DemosPage *pageDemos;
    ParametersPage *page2;
    BvpDataPage *page3;
    SolverVariablesPage *page4;
    RunPage *page5;
    TipsPage *page6;

    // Shortcuts to the controls the routines use most.
    TextBox *Equation;
    QRadioButton *optIVP, *optBVP;
    DataGrid *xyGrid;
    CellEditor *txtCellEditor;
    TipsBox *RichTextBox1;
    // The answer boxes of answers(1..6) and of solverAnswers(1..7); element 0 unused.
    std::array<TextBox *, 7> answerBoxes{};
    std::array<TextBox *, 8> solverBoxes{};

signals:
    // File > Exit was chosen.
    void exitChosen();
    // The form is being unloaded (closed by the user or from code); closing is never refused.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void registerControls();
    void connectEvents();
    void connectRunEvents();
    void prepareControls();
    void markChanged() { state_.dataChanged = true; }
    // Sets an option button's value as code does: selecting it runs its click handling.
    void setOptionValue(QRadioButton *option, bool value);

    void ODE_Tabs_Click();
    void optBVP_Click();
    void optIVP_Click();
    void cmdEditSolverData_Click();
    void cmdDefaultSolverData_Click();
    void cmdClear_Click();
    void xyGrid_KeyPress(int ascii, const QString &text);
    void txtCellEditor_GotFocus();
    void txtCellEditor_KeyDown(int key, bool shift);
    void placeCellEditor();

    // CanvasView.cpp
    void prepareView();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void Form_Resize();
    void focusShownPage();
    void keepEditorFocus();
    ResizeForm resizeForm() const { return ResizeForm{registry_, centralWidget()}; }

    struct TabStopRec {
        bool isMember = false;
        int index = 0;
        QString ctlName;
        bool tabStop = false;
    };

    AppState &state_;
    ControlRegistry registry_;
    HelpMenu *help_ = nullptr;
    bool isBVP_ = false;
    int editRow_ = 1;
    int editCol_ = 1;
    bool tabStopsStored_ = false;
    std::vector<TabStopRec> savedTabStops_{TabStopRec{}};
    ResizeState resizeState_;
    bool shown_ = false;
};

}  // namespace quadrel
