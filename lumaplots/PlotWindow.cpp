#include "lumaplots/PlotWindow.h"

#include "lumaplots/AxisTicks.h"
#include "lumaplots/PlotView.h"
#include "platform/FileWatch.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QVBoxLayout>

namespace quadrel {

namespace {

QIcon lineIcon(const QColor &color) {
    QPixmap pm(22, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 6), QPointF(20, 6));
    return QIcon(pm);
}

QIcon markerIcon() {
    QPixmap pm(22, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(dataPointColor(), 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(7, 6), 4, 4);
    p.setPen(QPen(fitColor(), 2));
    p.drawLine(QPointF(13, 3), QPointF(19, 9));
    p.drawLine(QPointF(13, 9), QPointF(19, 3));
    return QIcon(pm);
}

QString sentence(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

}  // namespace

PlotWindow::PlotWindow(MessageBoxes &messages, QWidget *parent)
    : QMainWindow(parent), messages_(messages) {
    setObjectName(QStringLiteral("lumaplots"));
    setWindowTitle(QStringLiteral("Lumaplots"));

    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    view_ = new PlotView(central);
    view_->setPlaceholder(QStringLiteral("No plot file is open.\nUse File > Open (Ctrl+O)."));
    layout->addWidget(view_, 1);

    auto *side = new QVBoxLayout;
    auto *group = new QGroupBox(QStringLiteral("Show"), central);
    group->setObjectName(QStringLiteral("showGroup"));
    checksLayout_ = new QVBoxLayout(group);
    side->addWidget(group);
    auto *fit = new QPushButton(QStringLiteral("Zoom to &Fit"), central);
    fit->setObjectName(QStringLiteral("fitButton"));
    fit->setToolTip(QStringLiteral("Show the whole plot (Home)"));
    connect(fit, &QPushButton::clicked, view_, &PlotView::zoomToFit);
    side->addWidget(fit);
    side->addStretch(1);
    layout->addLayout(side);
    setCentralWidget(central);

    summary_ = new QLabel(this);
    cursorLabel_ = new QLabel(this);
    cursorLabel_->setObjectName(QStringLiteral("cursorReadout"));
    statusBar()->addWidget(summary_, 1);
    statusBar()->addPermanentWidget(cursorLabel_);
    connect(view_, &PlotView::cursorMoved, this, &PlotWindow::showCursor);
    watch_ = new FileWatch(this);
    connect(watch_, &FileWatch::changed, this, &PlotWindow::fileChanged);

    buildMenus();
    rebuildChecks();
    view_->setFocus();
    resize(980, 640);
}

void PlotWindow::buildMenus() {
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction *open = file->addAction(QStringLiteral("&Open..."), this, &PlotWindow::chooseAndOpen);
    open->setShortcut(QKeySequence::Open);
    QAction *reloadAction = file->addAction(QStringLiteral("&Reload"), this, &PlotWindow::reload);
    reloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    file->addSeparator();
    QAction *save =
        file->addAction(QStringLiteral("&Export..."), this, &PlotWindow::chooseAndExport);
    save->setShortcut(QKeySequence::Save);
    QAction *copy = file->addAction(QStringLiteral("&Copy"), this, &PlotWindow::copyToClipboard);
    copy->setShortcut(QKeySequence::Copy);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    QAction *fit = viewMenu->addAction(QStringLiteral("Zoom to &Fit"), view_, &PlotView::zoomToFit);
    fit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_0), QKeySequence(Qt::Key_Home)});
    QAction *in = viewMenu->addAction(QStringLiteral("Zoom &In"), view_, &PlotView::zoomIn);
    in->setShortcut(QKeySequence::ZoomIn);
    QAction *out = viewMenu->addAction(QStringLiteral("Zoom &Out"), view_, &PlotView::zoomOut);
    out->setShortcut(QKeySequence::ZoomOut);
}

void PlotWindow::rebuildChecks() {
    for (QCheckBox *c : curveChecks_)
        delete c;
    curveChecks_.clear();
    delete pointsCheck_;
    pointsCheck_ = nullptr;

    QWidget *group = checksLayout_->parentWidget();
    for (int k = 0; k < data_.curveCount(); ++k) {
        auto *c = new QCheckBox(data_.curveNames.value(k), group);
        c->setObjectName(QStringLiteral("curveCheck%1").arg(k));
        c->setIcon(lineIcon(curveColor(k)));
        c->setChecked(true);
        if (k < 9) {
            c->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + k)));
            c->setToolTip(QStringLiteral("Show or hide %1 (Alt+%2)").arg(c->text()).arg(k + 1));
        }
        connect(c, &QCheckBox::toggled, view_, [this, k](bool on) { view_->setCurveVisible(k, on); });
        checksLayout_->addWidget(c);
        curveChecks_.append(c);
    }
    if (data_.isBoundaryProblem()) {
        pointsCheck_ = new QCheckBox(QStringLiteral("&Data points"), group);
        pointsCheck_->setObjectName(QStringLiteral("pointsCheck"));
        pointsCheck_->setIcon(markerIcon());
        pointsCheck_->setChecked(true);
        pointsCheck_->setToolTip(QStringLiteral("Data points and the fitted Y at each of them"));
        connect(pointsCheck_, &QCheckBox::toggled, view_, &PlotView::setPointsVisible);
        checksLayout_->addWidget(pointsCheck_);
    }
    group->setVisible(loaded_);
    if (auto *fit = findChild<QPushButton *>(QStringLiteral("fitButton")))
        fit->setEnabled(loaded_);
}

bool PlotWindow::openFile(const QString &path) {
    const QString shown = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    PlotParseResult r = readPlotFile(path);
    path_ = shown;
    watch_->watch(shown);
    if (!r.ok) {
        loaded_ = false;
        data_ = PlotData{};
        view_->setData(nullptr);
        rebuildChecks();
        const QString reason = r.line > 0
                                   ? QStringLiteral("Line %1: %2.").arg(r.line).arg(r.error)
                                   : sentence(r.error);
        view_->setPlaceholder(QStringLiteral("No plot.\n%1\n%2").arg(shown, reason));
        setWindowTitle(QStringLiteral("Lumaplots"));
        updateSummary();
        report(QStringLiteral("Cannot show the plot file\n%1\n\n%2").arg(shown, reason));
        return false;
    }
    data_ = std::move(r.data);
    loaded_ = true;
    const QString name = QFileInfo(shown).fileName();
    view_->setFallbackTitle(name);
    view_->setData(&data_);
    rebuildChecks();
    setWindowTitle(QStringLiteral("%1 - Lumaplots").arg(name));
    updateSummary();
    return true;
}

bool PlotWindow::reload() {
    if (path_.isEmpty())
        return false;
    return openFile(path_);
}

// The solver rewrites the plot file after each run. The new plot replaces the old one and
// the reader's zoom stays; a file caught half-written or gone keeps the last plot on show,
// since the next change brings the whole file.
void PlotWindow::fileChanged() {
    PlotParseResult r = readPlotFile(path_);
    if (!r.ok) {
        statusBar()->showMessage(
            QFileInfo::exists(path_)
                ? QStringLiteral("The plot file changed but cannot be shown: %1").arg(r.error)
                : QStringLiteral("The plot file was removed; this is its last plot."));
        return;
    }
    // With the same curves the reader's choice of curves stays too.
    const bool sameCurves = loaded_ && data_.curveNames == r.data.curveNames &&
                            data_.isBoundaryProblem() == r.data.isBoundaryProblem();
    data_ = std::move(r.data);
    loaded_ = true;
    view_->setFallbackTitle(QFileInfo(path_).fileName());
    view_->setData(&data_, sameCurves);
    if (!sameCurves)
        rebuildChecks();
    setWindowTitle(QStringLiteral("%1 - Lumaplots").arg(QFileInfo(path_).fileName()));
    updateSummary();
    statusBar()->showMessage(QStringLiteral("The plot file changed and was read again."), 5000);
}

void PlotWindow::chooseAndOpen() {
    const QString start = path_.isEmpty() ? QDir::currentPath() : QFileInfo(path_).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open a Plot File"), start,
        QStringLiteral("Plot files (*.plt);;All files (*)"));
    if (!chosen.isEmpty())
        openFile(chosen);
}

// The plot as large as it is on screen, and never smaller than 800 x 560.
QSize PlotWindow::exportSize() const { return view_->size().expandedTo(QSize(800, 560)); }

QImage PlotWindow::exportImage() const { return view_->renderImage(exportSize()); }

bool PlotWindow::exportPlot(const QString &path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") && suffix != QLatin1String("pdf")) {
        report(QStringLiteral("The plot can be saved as a .png, .svg or .pdf file, not as\n%1").arg(full));
        return false;
    }
    // Written beside the target and renamed over it, so a failed export leaves no stump.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QSize size = exportSize();
        const QRectF page(QPointF(0, 0), QSizeF(size));
        PlotOptions options = view_->options();
        options.fallbackTitle = QFileInfo(path_).fileName();
        if (suffix == QLatin1String("png")) {
            QImageWriter writer(&file, "png");
            written = writer.write(exportImage());
        } else if (suffix == QLatin1String("svg")) {
            // Vector files keep finer detail than a screen pixel when thinning curves.
            options.columnWidth = 0.25;
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(size);
            svg.setViewBox(page);
            svg.setTitle(data_.title.isEmpty() ? options.fallbackTitle : data_.title);
            QPainter p(&svg);
            p.setFont(view_->font());
            renderPlot(p, page, &data_, options);
        } else {
            options.columnWidth = 0.25;
            QPdfWriter pdf(&file);
            pdf.setResolution(96);
            pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
            pdf.setPageMargins(QMarginsF());
            pdf.setTitle(data_.title.isEmpty() ? options.fallbackTitle : data_.title);
            pdf.setCreator(QStringLiteral("Lumaplots"));
            QPainter p(&pdf);
            p.setFont(view_->font());
            renderPlot(p, page, &data_, options);
        }
        written = written && file.commit();
    }
    if (!written) {
        report(QStringLiteral("The plot could not be saved as\n%1\n\n%2.").arg(full, file.errorString()));
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(full), 5000);
    return true;
}

void PlotWindow::chooseAndExport() {
    if (!loaded_) {
        report(QStringLiteral("There is no plot to save. Open a plot file first."));
        return;
    }
    static const QStringList filters = {QStringLiteral("PNG image (*.png)"),
                                        QStringLiteral("SVG drawing (*.svg)"),
                                        QStringLiteral("PDF document (*.pdf)")};
    QFileInfo info(path_);
    const QString suggested = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
                              QStringLiteral(".png");
    QString filter = filters.first();
    QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Export the Plot"), suggested,
                                                  filters.join(QStringLiteral(";;")), &filter);
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QLatin1Char('.') + filter.section(QLatin1Char('.'), 1).chopped(1);
    exportPlot(chosen);
}

void PlotWindow::copyToClipboard() {
    if (!loaded_) {
        report(QStringLiteral("There is no plot to copy. Open a plot file first."));
        return;
    }
    QApplication::clipboard()->setImage(exportImage());
    statusBar()->showMessage(QStringLiteral("The plot was copied to the clipboard."), 5000);
}

void PlotWindow::showCursor(double x, double y, bool inside) {
    if (!inside) {
        cursorLabel_->clear();
        return;
    }
    const PlotRange &r = view_->range();
    // Four more digits than the axis ticks show.
    const double sx = axisTicks(r.xMin, r.xMax).step / 1e4;
    const double sy = axisTicks(r.yMin, r.yMax).step / 1e4;
    cursorLabel_->setText(QStringLiteral("%1 = %2   Y = %3")
                              .arg(data_.xName, tickLabel(x, sx), tickLabel(y, sy)));
}

void PlotWindow::updateSummary() {
    if (!loaded_) {
        summary_->setText(QStringLiteral("No plot"));
        return;
    }
    QString text = QStringLiteral("%1 plot points, %2 curve%3")
                       .arg(data_.rowCount())
                       .arg(data_.curveCount())
                       .arg(data_.curveCount() == 1 ? "" : "s");
    if (data_.isBoundaryProblem())
        text += QStringLiteral(", %1 data point%2").arg(data_.dataPoints.size())
                    .arg(data_.dataPoints.size() == 1 ? "" : "s");
    summary_->setText(text);
}

void PlotWindow::report(const QString &text) {
    messages_.show(QStringLiteral("Lumaplots"), text, MsgIcon::Exclamation);
}

}  // namespace quadrel
