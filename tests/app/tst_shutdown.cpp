// Shut-down of the real program, run beside its own zappomatic.ini on a private X display:
// File > Exit and a close request end it at once, connected or not, telling the recorder
// nothing and writing nothing.
#include "loopback_recorder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr int startTimeoutMs = 10000;
constexpr int endTimeoutMs = 5000;

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Sends the WM_DELETE_WINDOW message a window manager's close box sends; xdotool cannot, and
// there is no window manager on the private display.
bool requestClose(const QByteArray &display, xcb_window_t window)
{
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    bool sent = false;
    if (!xcb_connection_has_error(connection)) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = internAtom(connection, "WM_PROTOCOLS");
        event.data.data32[0] = internAtom(connection, "WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        // Waiting for the server's answer: a request still unread when the client hangs up
        // can be lost.
        xcb_generic_error_t *error = xcb_request_check(
            connection,
            xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                   reinterpret_cast<const char *>(&event)));
        sent = !error;
        std::free(error);
    }
    xcb_disconnect(connection);
    return sent;
}

// Runs xdotool on the private display, bounded in time.
bool xdotool(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess tool;
    tool.start(u"xdotool"_s, arguments);
    if (!tool.waitForFinished(startTimeoutMs)) {
        tool.kill();
        tool.waitForFinished(endTimeoutMs);
        return false;
    }
    if (output)
        *output = tool.readAllStandardOutput().trimmed();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

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
    void cleanupTestCase();
    void endsAtOnce_data();
    void endsAtOnce();

private:
    QProcess xvfb;
    QProcess program;
    QByteArray display;
};

void tst_shutdown::initTestCase()
{
    for (const QString &tool : {u"Xvfb"_s, u"xdotool"_s}) {
        if (!QStandardPaths::findExecutable(tool).isEmpty())
            continue;
        const QByteArray missing = tool.toUtf8() + " is not installed; scripts/test installs it";
        if (qEnvironmentVariable("CI") == "true"_L1)
            QFAIL(missing.constData());
        QSKIP(missing.constData());
    }

    // Xvfb picks a free display and writes its number to standard output once it takes clients.
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(u"Xvfb"_s,
               {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s,
                u"1024x600x24"_s});
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(int(deadline.remainingTime()))) { }
    QVERIFY2(xvfb.canReadLine(), "Xvfb tells its display number");
    display = ':' + xvfb.readLine().trimmed();
    // xdotool and the program inherit it; this test itself draws nothing.
    qputenv("DISPLAY", display);
}

void tst_shutdown::cleanup()
{
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(endTimeoutMs);
    }
}

void tst_shutdown::cleanupTestCase()
{
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.kill();
        xvfb.waitForFinished(endTimeoutMs);
    }
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
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString settingsPath = folder.filePath(u"zappomatic.ini"_s);
    const QByteArray settings
        = "[server]\nip=127.0.0.1\nport=" + QByteArray::number(recorder.port()) + '\n';
    {
        QFile file(settingsPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
    }
    // The program reads the settings file beside itself, so it runs from a copy in the folder.
    const QString programPath = folder.filePath(u"zappomatic"_s);
    QVERIFY(QFile::copy(QStringLiteral(ZAPPOMATIC_PATH), programPath));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    program.setProcessEnvironment(environment);
    program.start(programPath, {});
    QVERIFY(program.waitForStarted(startTimeoutMs));

    QByteArray window;
    QVERIFY(xdotool({u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--all"_s, u"--pid"_s,
                     QString::number(program.processId()), u"--name"_s, u"^Zappomatic$"_s},
                    &window));
    // Without a window manager nobody else gives the window the keyboard.
    QVERIFY(xdotool({u"windowfocus"_s, u"--sync"_s, QString::fromLatin1(window)}));
    if (connectFirst) {
        // The host field has the focus at start; two tabs lead to "connect".
        QVERIFY(xdotool({u"key"_s, u"Tab"_s, u"Tab"_s, u"space"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.connectionCount(), 1, startTimeoutMs);
    }

    if (viaMenu)
        QVERIFY(xdotool({u"key"_s, u"ctrl+q"_s}));
    else
        QVERIFY(requestClose(display, window.toUInt()));
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

    QCOMPARE(fileContents(settingsPath), settings);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({u"zappomatic"_s, u"zappomatic.ini"_s}));
}

QTEST_GUILESS_MAIN(tst_shutdown)
#include "tst_shutdown.moc"
