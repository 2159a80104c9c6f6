#pragma once
// The plot viewer's main window: the plot, a check box per curve, the File and View menus,
// export to PNG, SVG and PDF, copying to the clipboard, and a plot file that is rewritten
// while on show is shown anew.
#include "lumaplots/PlotFile.h"

#include <QMainWindow>
#include <QVector>

class QCheckBox;
class QLabel;
class QVBoxLayout;

namespace quadrel {

class FileWatch;
class MessageBoxes;
class PlotView;

class PlotWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlotWindow(MessageBoxes &messages, QWidget *parent = nullptr);

    // Reads and shows a plot file. A fault is reported in a message box and leaves the
    // window empty; the result tells whether the file was shown.
    bool openFile(const QString &path);
    const QString &filePath() const { return path_; }
    const PlotData &data() const { return data_; }
    bool hasPlot() const { return loaded_; }

    PlotView *view() const { return view_; }
    QCheckBox *curveCheck(int index) const { return curveChecks_.value(index, nullptr); }
    QCheckBox *pointsCheck() const { return pointsCheck_; }

    // The image that PNG export and Copy produce.
    QImage exportImage() const;
    QSize exportSize() const;
    // Writes the plot as it is shown, in the format the name's extension asks for (.png,
    // .svg or .pdf); a fault is reported in a message box.
    bool exportPlot(const QString &path);
    void copyToClipboard();

public slots:
    bool reload();
    void chooseAndOpen();
    void chooseAndExport();

private:
    void buildMenus();
    void rebuildChecks();
    void showCursor(double x, double y, bool inside);
    void updateSummary();
    void report(const QString &text);
    void fileChanged();

    MessageBoxes &messages_;
    PlotView *view_;
    QVBoxLayout *checksLayout_;
    QVector<QCheckBox *> curveChecks_;
    QCheckBox *pointsCheck_ = nullptr;
    QLabel *summary_;
    QLabel *cursorLabel_;
    FileWatch *watch_;
    QString path_;
    PlotData data_;
    bool loaded_ = false;
};

}  // namespace quadrel
