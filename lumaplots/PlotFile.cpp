#include "lumaplots/PlotFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

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

QByteArray trimmed(const QByteArray &line) {
    int b = 0, e = line.size();
    while (b < e && isBlank(line[b])) ++b;
    while (e > b && isBlank(line[e - 1])) --e;
    return line.mid(b, e - b);
}

QList<QByteArray> fields(const QByteArray &line) {
    QList<QByteArray> out;
    int i = 0;
    const int n = line.size();
    while (i < n) {
        while (i < n && isBlank(line[i])) ++i;
        int start = i;
        while (i < n && !isBlank(line[i])) ++i;
        if (i > start)
            out.append(line.mid(start, i - start));
    }
    return out;
}

// A comment that only names the columns, such as "X Y Y' Y''".
bool isColumnHeader(const QString &comment) {
    const QStringList words = comment.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words.first().compare(QLatin1String("X"), Qt::CaseInsensitive) != 0)
        return false;
    return !comment.contains(QLatin1Char(':'));
}

struct Block {
    QVector<QVector<double>> rows;
    int firstLine = 0;
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
    int pos = 0;
    while (pos <= text.size()) {
        int nl = text.indexOf('\n', pos);
        if (nl < 0)
            nl = text.size();
        QByteArray line = trimmed(text.mid(pos, nl - pos));
        pos = nl + 1;
        ++lineNo;
        if (nl == text.size() && line.isEmpty())
            break;

        if (line.startsWith('#')) {
            QString comment = decodeComment(line.mid(1)).trimmed();
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

        const QList<QByteArray> tokens = fields(line);
        QVector<double> row;
        row.reserve(tokens.size());
        for (const QByteArray &t : tokens) {
            bool ok = false;
            double v = t.toDouble(&ok);
            if (!ok) {
                QString shown = decodeComment(t.left(40));
                return fail(lineNo, QStringLiteral("\"%1\" is not a number").arg(shown));
            }
            row.append(v);
        }
        if (!inBlock) {
            if (blocks.size() == 2)
                return fail(lineNo, QStringLiteral(
                    "a third block of numbers begins here, but a plot file holds at most two "
                    "(the plot points and the data points)"));
            blocks.append(Block{{}, lineNo});
            inBlock = true;
        }
        Block &block = blocks.last();
        if (!block.rows.isEmpty() && block.rows.first().size() != row.size()) {
            return fail(lineNo, QStringLiteral("this row has %1 numbers, but the rows above it "
                                               "have %2")
                                    .arg(row.size())
                                    .arg(block.rows.first().size()));
        }
        if (blocks.size() == 1 && row.size() < 2)
            return fail(lineNo, QStringLiteral("a plot point needs at least two numbers (X and Y)"));
        if (blocks.size() == 2 && (row.size() < 2 || row.size() > 3))
            return fail(lineNo, QStringLiteral("a data point needs two or three numbers (X, Y and "
                                               "the fitted Y), this row has %1")
                                    .arg(row.size()));
        block.rows.append(row);
    }

    if (blocks.isEmpty()) {
        if (!data.notSolved.isEmpty())
            return fail(0, QStringLiteral("the problem was not solved: %1").arg(data.notSolved));
        return fail(0, QStringLiteral("the file holds no rows of numbers"));
    }

    const Block &points = blocks[0];
    const int nCurves = points.rows.first().size() - 1;
    data.curves.resize(nCurves);
    data.x.reserve(points.rows.size());
    for (auto &c : data.curves)
        c.reserve(points.rows.size());
    for (const auto &row : points.rows) {
        data.x.append(row[0]);
        for (int k = 0; k < nCurves; ++k)
            data.curves[k].append(row[k + 1]);
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
        for (const auto &row : blocks[1].rows) {
            PlotDataPoint p;
            p.x = row[0];
            p.y = row[1];
            if (row.size() == 3) {
                p.fit = row[2];
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
