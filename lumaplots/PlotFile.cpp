#include "lumaplots/PlotFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace quadrel {

namespace {

// Far more than any plot the solver writes; guards against being handed a huge file.
constexpr qint64 MaxPlotFileBytes = 256LL * 1024 * 1024;

QString decodeComment(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

QByteArrayView trimmed(QByteArrayView line) {
    qsizetype b = 0, e = line.size();
    while (b < e && isBlank(line[b])) ++b;
    while (e > b && isBlank(line[e - 1])) --e;
    return line.sliced(b, e - b);
}

// A comment that only names the columns, such as "X Y Y' Y''".
bool isColumnHeader(const QString &comment) {
    const QStringList words = comment.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words.first().compare(QLatin1String("X"), Qt::CaseInsensitive) != 0)
        return false;
    return !comment.contains(QLatin1Char(':'));
}

// The rows of one block of numbers, stored one after the other: a plot file of a million
// rows is read without a million small allocations.
struct Block {
    QVector<double> values;
    int width = 0;  // numbers per row
    int firstLine = 0;
    int rowCount() const { return width > 0 ? int(values.size() / width) : 0; }
};

}  // namespace

QString derivativeName(int order) {
    if (order <= 0)
        return QStringLiteral("Y");
    if (order <= 3)
        return QStringLiteral("Y") + QString(order, QLatin1Char('\''));
    return QStringLiteral("Y^(%1)").arg(order);
}

PlotParseResult parsePlotText(const QByteArray &input) {
    PlotParseResult result;
    PlotData &data = result.data;
    auto fail = [](int line, const QString &why) {
        PlotParseResult r;
        r.ok = false;
        r.line = line;
        r.error = why;
        return r;
    };

    QByteArray text = input;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);

    QVector<Block> blocks;
    bool inBlock = false;
    QStringList columnNames[2];
    QString firstFreeComment;
    int lineNo = 0;
    qsizetype pos = 0;
    QVector<double> row;
    while (pos <= text.size()) {
        qsizetype nl = text.indexOf('\n', pos);
        if (nl < 0)
            nl = text.size();
        const QByteArrayView line = trimmed(QByteArrayView(text).sliced(pos, nl - pos));
        pos = nl + 1;
        ++lineNo;
        if (nl == text.size() && line.isEmpty())
            break;

        if (line.startsWith('#')) {
            QString comment = decodeComment(line.sliced(1).toByteArray()).trimmed();
            int colon = comment.indexOf(QLatin1Char(':'));
            QString key = colon > 0 ? comment.left(colon).trimmed().toLower() : QString();
            QString value = colon > 0 ? comment.mid(colon + 1).trimmed() : QString();
            if (key == QLatin1String("title")) {
                data.title = value;
            } else if (key == QLatin1String("equation")) {
                data.equation = value;
            } else if (key == QLatin1String("not solved")) {
                data.notSolved = value;
            } else if (key == QLatin1String("columns") || isColumnHeader(comment)) {
                // Names given before or inside a block belong to that block.
                int which = blocks.isEmpty() || (blocks.size() == 1 && inBlock) ? 0 : 1;
                columnNames[which] = (key.isEmpty() ? comment : value)
                                         .split(QLatin1Char(' '), Qt::SkipEmptyParts);
            } else if (!comment.isEmpty()) {
                if (firstFreeComment.isEmpty())
                    firstFreeComment = comment;
                data.comments.append(comment);
            }
            continue;
        }
        if (line.isEmpty()) {
            inBlock = false;
            continue;
        }

        row.clear();
        for (qsizetype i = 0; i < line.size();) {
            while (i < line.size() && isBlank(line[i])) ++i;
            const qsizetype start = i;
            while (i < line.size() && !isBlank(line[i])) ++i;
            if (i == start)
                continue;
            const QByteArrayView t = line.sliced(start, i - start);
            bool ok = false;
            const double v = t.toDouble(&ok);
            if (!ok) {
                QString shown = decodeComment(t.first(std::min<qsizetype>(t.size(), 40)).toByteArray());
                return fail(lineNo, QStringLiteral("\"%1\" is not a number").arg(shown));
            }
            row.append(v);
        }
        if (!inBlock) {
            if (blocks.size() == 2)
                return fail(lineNo, QStringLiteral(
                    "a third block of numbers begins here, but a plot file holds at most two "
                    "(the plot points and the data points)"));
            blocks.append(Block{{}, 0, lineNo});
            inBlock = true;
        }
        Block &block = blocks.last();
        if (block.width > 0 && block.width != row.size()) {
            return fail(lineNo, QStringLiteral("this row has %1 numbers, but the rows above it "
                                               "have %2")
                                    .arg(row.size())
                                    .arg(block.width));
        }
        if (blocks.size() == 1 && row.size() < 2)
            return fail(lineNo, QStringLiteral("a plot point needs at least two numbers (X and Y)"));
        if (blocks.size() == 2 && (row.size() < 2 || row.size() > 3))
            return fail(lineNo, QStringLiteral("a data point needs two or three numbers (X, Y and "
                                               "the fitted Y), this row has %1")
                                    .arg(row.size()));
        block.width = int(row.size());
        block.values += row;
    }

    if (blocks.isEmpty()) {
        if (!data.notSolved.isEmpty())
            return fail(0, QStringLiteral("the problem was not solved: %1").arg(data.notSolved));
        return fail(0, QStringLiteral("the file holds no rows of numbers"));
    }

    const Block &points = blocks[0];
    const int nCurves = points.width - 1;
    const int nRows = points.rowCount();
    data.curves.resize(nCurves);
    data.x.resize(nRows);
    for (auto &c : data.curves)
        c.resize(nRows);
    for (int r = 0; r < nRows; ++r) {
        const double *v = points.values.constData() + qsizetype(r) * points.width;
        data.x[r] = v[0];
        for (int k = 0; k < nCurves; ++k)
            data.curves[k][r] = v[k + 1];
    }
    // Column names are used only when they name every column; otherwise the curves are
    // named by their derivative order.
    if (columnNames[0].size() == nCurves + 1) {
        data.xName = columnNames[0].first();
        data.curveNames = columnNames[0].mid(1);
    } else {
        for (int k = 0; k < nCurves; ++k)
            data.curveNames.append(derivativeName(k));
    }

    if (blocks.size() == 2) {
        const Block &given = blocks[1];
        for (int r = 0; r < given.rowCount(); ++r) {
            const double *v = given.values.constData() + qsizetype(r) * given.width;
            PlotDataPoint p;
            p.x = v[0];
            p.y = v[1];
            if (given.width == 3) {
                p.fit = v[2];
                p.hasFit = true;
            }
            data.dataPoints.append(p);
        }
    }
    if (data.title.isEmpty())
        data.title = firstFreeComment;

    result.ok = true;
    return result;
}

PlotParseResult readPlotFile(const QString &path) {
    PlotParseResult r;
    QFileInfo info(path);
    if (path.isEmpty()) {
        r.error = QStringLiteral("no plot file was named");
        return r;
    }
    if (!info.exists()) {
        r.error = QStringLiteral("the file does not exist");
        return r;
    }
    if (info.isDir()) {
        r.error = QStringLiteral("this is a folder, not a plot file");
        return r;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("the file cannot be read (%1)").arg(file.errorString());
        return r;
    }
    if (file.size() > MaxPlotFileBytes) {
        r.error = QStringLiteral("the file is too large for a plot file (%1 MB)")
                      .arg(file.size() / (1024 * 1024));
        return r;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        r.error = QStringLiteral("the file cannot be read (%1)").arg(file.errorString());
        return r;
    }
    return parsePlotText(bytes);
}

}  // namespace quadrel
