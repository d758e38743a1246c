// Shut-down of the real program, run beside its own zappomatic.ini on a private X display:
// File > Exit and a close request end it at once, connected or not, telling the recorder
// nothing and writing nothing.
#include "loopback_recorder.h"
#include "x_session.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int endTimeoutMs = 5000;

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_shutdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void endsAtOnce_data();
    void endsAtOnce();

private:
    XSession session;
};

void tst_shutdown::initTestCase()
{
    ZAPPOMATIC_REQUIRE_TOOLS(XSession::tools);
    QVERIFY2(session.start(), "Xvfb tells its display number");
}

void tst_shutdown::cleanup()
{
    session.stopProgram();
}

void tst_shutdown::endsAtOnce_data()
{
    QTest::addColumn<bool>("viaMenu");
    QTest::addColumn<bool>("connectFirst");

    QTest::newRow("File > Exit while connected") << true << true;
    QTest::newRow("close request while connected") << false << true;
    QTest::newRow("File > Exit before connecting") << true << false;
    QTest::newRow("close request before connecting") << false << false;
}

void tst_shutdown::endsAtOnce()
{
    QFETCH(bool, viaMenu);
    QFETCH(bool, connectFirst);

    LoopbackRecorder recorder;
    QVERIFY(recorder.listen());
    ProgramCopy copy;
    const QByteArray settings = ProgramCopy::settingsFor(recorder.port());
    QVERIFY(copy.make(QStringLiteral(ZAPPOMATIC_PATH), settings));
    QVERIFY2(session.startProgram(copy.programPath()), "the program's window appears");

    if (connectFirst) {
        // The host field has the focus at start; two tabs lead to "connect".
        QVERIFY(session.xdotool({u"key"_s, u"Tab"_s, u"Tab"_s, u"space"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.connectionCount(), 1, XSession::waitMs);
    }

    if (viaMenu)
        QVERIFY(session.xdotool({u"key"_s, u"ctrl+q"_s}));
    else
        QVERIFY(session.requestClose());
    QProcess &program = session.program();
    QVERIFY2(program.waitForFinished(endTimeoutMs), "the program ends at once");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);

    // The program is gone, so whatever it opened is queued, and accepted, ahead of this.
    QTcpSocket marker;
    marker.connectToHost(QHostAddress::LocalHost, recorder.port());
    QVERIFY(marker.waitForConnected(endTimeoutMs));
    marker.write("marker");
    QTRY_VERIFY_WITH_TIMEOUT(recorder.allReceived().endsWith("marker"), endTimeoutMs);
    QCOMPARE(recorder.connectionCount(), connectFirst ? 2 : 1);
    if (connectFirst) {
        // Closed by the program's end; what came before the close has all been read.
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.isOpen(0), endTimeoutMs);
        QCOMPARE(recorder.received(0), QByteArray());
    }

    QCOMPARE(fileContents(copy.settingsPath()), settings);
    QCOMPARE(QDir(copy.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({u"zappomatic"_s, u"zappomatic.ini"_s}));
}

QTEST_GUILESS_MAIN(tst_shutdown)
#include "tst_shutdown.moc"
