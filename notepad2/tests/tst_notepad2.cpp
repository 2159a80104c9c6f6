// The text viewer: choosing the encoding, loading, reloading, following a rewritten file,
// find, copy and the view settings.
#include "notepad2/TextDecoding.h"
#include "notepad2/TextWindow.h"
#include "platform/FileWatch.h"
#include "platform/MessageBoxes.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include "platform/tests/TestFiles.h"

#include <QtTest>

#include <cstdio>

using namespace quadrel;

class TstNotepad2 : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString write(const QString &name, const QByteArray &content) {
        return testing::writeTestFile(dir_, name, content);
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void decoding_data() {
        QTest::addColumn<QByteArray>("bytes"); QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("empty") << QByteArray() << QString() << true;
        QTest::newRow("UTF-8 with byte order mark")
            << QByteArray("\xEF\xBB\xBFX = 1") << "X = 1" << true;
        QTest::newRow("UTF-8 beyond the basic plane")
            << QByteArray("\xF0\x9D\x9C\x8B") << QString::fromUtf8("\xF0\x9D\x9C\x8B") << true;
        QTest::newRow("code page punctuation")
            << QByteArray("\x80 \x93q\x94 \x96 \x85 \x99")
            << QString::fromUtf8("\u20AC \u201Cq\u201D \u2013 \u2026 \u2122") << false;
        QTest::newRow("undefined code page byte stays a control")
            << QByteArray("\x81\xBB") << QString::fromUtf8("\u0081\u00BB") << false;
        QTest::newRow("truncated UTF-8 at the end")
            << QByteArray("x \xC2") << QString::fromUtf8("x \u00C2") << false;
        QTest::newRow("one bad byte in long UTF-8 text")
            << QByteArray("\xC2\xBB ok \xBB") << QString::fromUtf8("\u00C2\u00BB ok \u00BB") << false;
    }
    void decoding() {
        QFETCH(QByteArray, bytes); QFETCH(QString, text); QFETCH(bool, utf8);
        const DecodedText d = decodeText(bytes);
        QCOMPARE(d.text, text);
        QCOMPARE(d.encoding, utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252);
    }

    void showsFile_data() {
        QTest::addColumn<QString>("name"); QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown"); QTest::addColumn<QString>("encoding");
        QTest::newRow("solver output with CR LF")
            << "~Quadrel.out" << QByteArray("line 1\r\nline 2\r\n") << "line 1\nline 2\n" << "UTF-8";
        QTest::newRow("checker listing in the code page")
            << "~Vetrix.out" << QByteArray("\xBB Y'' = -Y\n") << QString::fromUtf8("\u00BB Y'' = -Y\n")
            << "Windows-1252";
        QTest::newRow("upper-case extension") << "ODE4user.VX" << QByteArray("A\rB") << "A\nB" << "UTF-8";
        QTest::newRow("blanks and shell characters in the name")
            << "my $(rm) ; x.Out" << QByteArray("fine") << "fine" << "UTF-8";
        QTest::newRow("empty file") << "empty.out" << QByteArray() << "" << "UTF-8";
    }
    void showsFile() {
        QFETCH(QString, name); QFETCH(QByteArray, bytes); QFETCH(QString, shown);
        QFETCH(QString, encoding);
        ScriptedMessageBoxes boxes; TextWindow w(boxes);
        QVERIFY(w.openFile(write(name, bytes)));
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(w.isLoaded());
        QCOMPARE(w.editor()->toPlainText(), shown);
        QVERIFY(w.windowTitle().startsWith(name));
        // Columns line up: a narrow and a wide letter take the same width.
        const QFontMetricsF glyphs(w.editor()->font());
        QCOMPARE(glyphs.horizontalAdvance(QLatin1Char('i')), glyphs.horizontalAdvance(QLatin1Char('M')));
        QCOMPARE(encodingName(w.encoding()), encoding);
    }

    void unusableFilesAreReported_data() {
        QTest::addColumn<QString>("name"); QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "~Quadrel.out" << "was not found";
        QTest::newRow("folder") << "." << "is a folder";
    }
    void unusableFilesAreReported() {
        QFETCH(QString, name); QFETCH(QString, says);
        ScriptedMessageBoxes boxes; TextWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("before.out"), "old text")));
        const QString path = dir_.filePath(name == "." ? name : QStringLiteral("sub/") + name);
        QVERIFY(!w.openFile(path));
        QCOMPARE(boxes.shown().size(), 1);
        const MessageRequest &m = boxes.shown().first();
        QCOMPARE(m.title, QStringLiteral("notePad2"));
        QVERIFY2(m.text.contains(says), qPrintable(m.text));
        QVERIFY2(m.text.contains(QFileInfo(path).absoluteFilePath()), qPrintable(m.text));
        // Nothing of the previous file is left on show.
        QVERIFY(w.editor()->toPlainText().isEmpty());
        QVERIFY(!w.isLoaded());
    }

    // The solver rewrites its listing in place or renames a new file over it; the window
    // follows on its own and keeps the reader's place, and a removed file leaves its last
    // text on show until the reader reloads.
    void followsARewrittenFile() {
        ScriptedMessageBoxes boxes; TextWindow w(boxes);
        w.resize(600, 400);
        QByteArray text;
        for (int i = 1; i <= 400; ++i)
            text += "line " + QByteArray::number(i) + "\n";
        const QString path = write(QStringLiteral("~Quadrel.out"), text);
        QVERIFY(w.openFile(path));
        w.editor()->verticalScrollBar()->setValue(150);
        write(QStringLiteral("~Quadrel.out"), text + "line 401\n");
        QTRY_VERIFY(w.editor()->toPlainText().endsWith("line 401\n"));
        QCOMPARE(w.editor()->verticalScrollBar()->value(), 150);
        const QString fresh = write(QStringLiteral("~Quadrel.tmp"), "third run\n");
        QVERIFY(std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0);
        QTRY_COMPARE(w.editor()->toPlainText(), QStringLiteral("third run\n"));
        write(QStringLiteral("~Quadrel.out"), "fourth run\n");
        QTRY_COMPARE(w.editor()->toPlainText(), QStringLiteral("fourth run\n"));
        QVERIFY(QFile::remove(path));
        QTest::qWait(3 * FileWatch::QuietMilliseconds);
        QCOMPARE(w.editor()->toPlainText(), QStringLiteral("fourth run\n"));
        QVERIFY(boxes.shown().isEmpty());
        QVERIFY(!w.reload());
        QCOMPARE(boxes.shown().size(), 1);
        write(QStringLiteral("~Quadrel.out"), "back");
        QVERIFY(w.reload());
        QCOMPARE(w.editor()->toPlainText(), QStringLiteral("back"));
    }

    // Keys a reader uses: Ctrl+F, F3, Enter and Shift+Enter find, Escape closes the find bar,
    // Ctrl+A and Ctrl+C copy, Ctrl++, Ctrl+- and Ctrl+0 size the text, Alt+Z wraps; typing
    // changes nothing.
    void keyboardFindCopyAndZoom() {
        ScriptedMessageBoxes boxes; TextWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("keys.out"), "alpha\nbeta gamma\n")));
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.editor(), Qt::Key_F3);  // nothing to look for yet: the find bar opens
        QTRY_VERIFY(w.findEdit()->hasFocus());
        QTest::keyClicks(w.findEdit(), "a");
        QTest::keyClick(w.findEdit(), Qt::Key_Return);
        QTest::keyClick(w.findEdit(), Qt::Key_Return);
        QCOMPARE(w.editor()->textCursor().selectionStart(), 4);
        QTest::keyClick(w.findEdit(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(w.editor()->textCursor().selectionStart(), 0);
        QTest::keyClick(w.findEdit(), Qt::Key_Escape);
        QVERIFY(w.findBar()->isHidden());
        QTest::keyClick(w.editor(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w.findEdit()->hasFocus());
        QTest::keyClick(w.findEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.findEdit(), "gam");
        QTest::keyClick(w.findEdit(), Qt::Key_Return);
        QCOMPARE(w.editor()->textCursor().selectedText(), QStringLiteral("gam"));
        QTest::keyClick(w.findEdit(), Qt::Key_Escape);
        QTRY_VERIFY(w.editor()->hasFocus());
        QTest::keyClick(w.editor(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("gam"));
        QTest::keyClick(w.editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w.editor(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("alpha\nbeta gamma\n"));

        const qreal width = QFontMetricsF(w.editor()->font()).horizontalAdvance(QLatin1Char('M'));
        QTest::keyClick(w.editor(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(w.editor(), Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(QFontMetricsF(w.editor()->font()).horizontalAdvance(QLatin1Char('M')) > width);
        for (int i = 0; i < 40; ++i)  // the text shrinks so far and no further
            QTest::keyClick(w.editor(), Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(QFontMetricsF(w.editor()->font()).horizontalAdvance(QLatin1Char('M')) >= 3);
        QTest::keyClick(w.editor(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(QFontMetricsF(w.editor()->font()).horizontalAdvance(QLatin1Char('M')), width);
        QTest::keyClick(w.editor(), Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(w.editor()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        // Typing does not change the text.
        QTest::keyClicks(w.editor(), "abc");
        QTest::keyClick(w.editor(), Qt::Key_Backspace);
        QTest::keyClick(w.editor(), Qt::Key_Delete);
        QCOMPARE(w.editor()->toPlainText(), QStringLiteral("alpha\nbeta gamma\n"));
    }

    void find_data() {
        QTest::addColumn<QString>("needle"); QTest::addColumn<bool>("backward");
        QTest::addColumn<bool>("matchCase"); QTest::addColumn<QList<int>>("positions");
        QTest::newRow("forward wraps to the top") << "alpha" << false << false << QList<int>{0, 11, 23, 0};
        QTest::newRow("backward wraps to the end") << "alpha" << true << false << QList<int>{23, 11, 0, 23};
        QTest::newRow("match case") << "alpha" << false << true << QList<int>{23, 23};
        QTest::newRow("not found") << "delta" << false << false << QList<int>{-1};
    }
    void find() {
        QFETCH(QString, needle); QFETCH(bool, backward); QFETCH(bool, matchCase);
        QFETCH(QList<int>, positions);
        ScriptedMessageBoxes boxes; TextWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("find.out"), "Alpha beta\nALPHA gamma\nalpha")));
        QTextCursor c = w.editor()->textCursor();
        c.setPosition(backward ? w.editor()->document()->characterCount() - 1 : 0);
        w.editor()->setTextCursor(c);
        for (int expected : positions) {
            const bool found = w.find(needle, backward, matchCase);
            QCOMPARE(found, expected >= 0);
            if (found) {
                QCOMPARE(w.editor()->textCursor().selectionStart(), expected);
                QCOMPARE(w.editor()->textCursor().selectedText().toLower(), needle);
            } else {
                QVERIFY(!w.editor()->textCursor().hasSelection());
            }
        }
    }

};

QTEST_MAIN(TstNotepad2)
#include "tst_notepad2.moc"
