// Connecting, polling and disconnecting as the user sees it in the window, against a
// recorder on loopback.
#include "frm_main.h"
#include "loopback_recorder.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Long enough for a couple of polls on a loaded machine.
constexpr int pollWaitMs = 3000;

class tst_connection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void connectShowsConnectedText();
    void refusedPortEndsNotConnected();
    void invalidFieldsMakeNoAttempt_data();
    void invalidFieldsMakeNoAttempt();
    void disconnectWhileUp();
    void disconnectWhileIdleDoesNothing();
    void recorderClosingIsNoticedWithinAPoll();
    void connectWhileUpReplacesConnection();
    void emptiedHostLeavesConnectionAlone();
    void editedHostShowsAtNextPoll();
    void slowHandshakeStillConnects();
    void silentRecorderIsGivenUp();

private:
    void press(const QString &name)
    {
        QTest::mouseClick(widget<QPushButton>(name), Qt::LeftButton);
    }
    template<typename W> W *widget(const QString &name) { return window->findChild<W *>(name); }
    QString status() { return widget<QLabel>(u"lbl_info"_s)->text(); }
    bool groupEnabled() { return widget<QPushButton>(u"cmd_menu"_s)->isEnabled(); }
    void setEndpoint(const QString &host, const QString &port);
    QString connectedText() const
    {
        return u"Connected to 127.0.0.1 port %1"_s.arg(recorder->port());
    }
    bool connectAndWait();

    QTemporaryDir settingsFolder;
    std::unique_ptr<LoopbackRecorder> recorder;
    std::unique_ptr<frm_main> window;
};

void tst_connection::init()
{
    recorder = std::make_unique<LoopbackRecorder>();
    QVERIFY(recorder->listen());
    window = std::make_unique<frm_main>(settingsFolder.path());
    window->show();
}

void tst_connection::cleanup()
{
    window.reset();
    recorder.reset();
}

void tst_connection::setEndpoint(const QString &host, const QString &port)
{
    widget<QLineEdit>(u"txt_ip"_s)->setText(host);
    widget<QLineEdit>(u"txt_port"_s)->setText(port);
}

bool tst_connection::connectAndWait()
{
    setEndpoint(u"127.0.0.1"_s, QString::number(recorder->port()));
    press(u"cmd_connect"_s);
    return QTest::qWaitFor([this] { return status() == connectedText(); }, pollWaitMs);
}

void tst_connection::connectShowsConnectedText()
{
    QVERIFY(connectAndWait());
    QVERIFY(groupEnabled());
    QVERIFY(window->link().isConnected());
    QVERIFY(window->link().isPolling());
    QCOMPARE(recorder->connectionCount(), 1);
    // Nothing is said when the connection opens.
    QCOMPARE(recorder->received(0), QByteArray());
}

void tst_connection::refusedPortEndsNotConnected()
{
    recorder->refuse();
    setEndpoint(u"127.0.0.1"_s, QString::number(recorder->port()));
    press(u"cmd_connect"_s);
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected"_s, pollWaitMs);
    QVERIFY(!window->link().isPolling());
    QVERIFY(!window->link().isConnected());
    QVERIFY(!groupEnabled());
}

void tst_connection::invalidFieldsMakeNoAttempt_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::newRow("empty host") << QString() << u"<port>"_s;
    QTest::newRow("empty port") << u"127.0.0.1"_s << QString();
    QTest::newRow("port without a number") << u"127.0.0.1"_s << u"abc"_s;
    QTest::newRow("port zero") << u"127.0.0.1"_s << u"0"_s;
    QTest::newRow("negative port") << u"127.0.0.1"_s << u"-5"_s;
    QTest::newRow("port that rounds to zero") << u"127.0.0.1"_s << u"0.4"_s;
    QTest::newRow("port above 65535 would wrap around") << u"127.0.0.1"_s << u"70000"_s;
    QTest::newRow("port beyond 32 bits") << u"127.0.0.1"_s << u"99999999999"_s;
    QTest::newRow("port beyond a double") << u"127.0.0.1"_s << u"1e999"_s;
}

void tst_connection::invalidFieldsMakeNoAttempt()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    setEndpoint(host, port.replace(u"<port>"_s, QString::number(recorder->port())));
    press(u"cmd_connect"_s);
    QCOMPARE(window->link().socketState(), RecorderSocket::State::Closed);
    QVERIFY(window->link().isPolling());
    QCOMPARE(status(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected"_s, pollWaitMs);
    QVERIFY(!window->link().isPolling());
    QCOMPARE(recorder->connectionCount(), 0);
}

void tst_connection::disconnectWhileUp()
{
    QVERIFY(connectAndWait());
    press(u"cmd_disconnect"_s);
    QCOMPARE(status(), u"Disconnected"_s);
    QVERIFY(!groupEnabled());
    QVERIFY(!window->link().isConnected());
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected"_s, pollWaitMs);
    QVERIFY(!window->link().isPolling());
    QTRY_VERIFY(!recorder->isOpen(0));
    // Nothing, not even a goodbye, was sent before closing.
    QCOMPARE(recorder->received(0), QByteArray());
}

void tst_connection::disconnectWhileIdleDoesNothing()
{
    press(u"cmd_disconnect"_s);
    QCOMPARE(status(), QString());
    QVERIFY(!window->link().isPolling());
    QVERIFY(!groupEnabled());
}

void tst_connection::recorderClosingIsNoticedWithinAPoll()
{
    QVERIFY(connectAndWait());
    QElapsedTimer sinceClose;
    sinceClose.start();
    recorder->closeConnections();
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected"_s, pollWaitMs);
    QVERIFY2(sinceClose.elapsed() < 1000, "noticed within one poll interval");
    QVERIFY(!groupEnabled());
    QVERIFY(!window->link().isPolling());
    // The window still works: a new connect succeeds.
    QVERIFY(connectAndWait());
}

void tst_connection::connectWhileUpReplacesConnection()
{
    QVERIFY(connectAndWait());
    QSignalSpy down(&window->link(), &RecorderLink::connectionDown);
    press(u"cmd_connect"_s);
    QTRY_COMPARE(recorder->connectionCount(), 2);
    QTRY_VERIFY(!recorder->isOpen(0));
    QVERIFY(recorder->isOpen(1));
    QCOMPARE(status(), connectedText());
    QVERIFY(groupEnabled());
    QCOMPARE(down.count(), 0);
}

void tst_connection::emptiedHostLeavesConnectionAlone()
{
    QVERIFY(connectAndWait());
    widget<QLineEdit>(u"txt_ip"_s)->clear();
    press(u"cmd_connect"_s);
    const QString expected = u"Connected to  port %1"_s.arg(recorder->port());
    QTRY_COMPARE_WITH_TIMEOUT(status(), expected, pollWaitMs);
    QCOMPARE(recorder->connectionCount(), 1);
    QVERIFY(recorder->isOpen(0));
}

void tst_connection::editedHostShowsAtNextPoll()
{
    QVERIFY(connectAndWait());
    widget<QLineEdit>(u"txt_ip"_s)->setText(u"renamed.example"_s);
    const QString expected = u"Connected to renamed.example port %1"_s.arg(recorder->port());
    QTRY_COMPARE_WITH_TIMEOUT(status(), expected, pollWaitMs);
    QCOMPARE(recorder->connectionCount(), 1);
}

void tst_connection::slowHandshakeStillConnects()
{
    // The recorder's listen queue is full, so the handshake waits for the kernel's SYN retry.
    QVERIFY(recorder->makeHandshakeSlow());
    QSignalSpy down(&window->link(), &RecorderLink::connectionDown);
    QElapsedTimer attempt;
    attempt.start();
    setEndpoint(u"127.0.0.1"_s, QString::number(recorder->port()));
    press(u"cmd_connect"_s);
    QVERIFY(recorder->resumeSlowHandshake());
    QTRY_COMPARE_WITH_TIMEOUT(status(), connectedText(), 4 * pollWaitMs);
    QVERIFY2(attempt.elapsed() > 2 * RecorderLink::pollInterval.count(),
             "the attempt outlasted several polls");
    QCOMPARE(down.count(), 0);
    QVERIFY(groupEnabled());
}

void tst_connection::silentRecorderIsGivenUp()
{
    QVERIFY(recorder->makeHandshakeSlow());
    setEndpoint(u"127.0.0.1"_s, QString::number(recorder->port()));
    press(u"cmd_connect"_s);
    QCOMPARE(window->link().socketState(), RecorderSocket::State::Attempting);
    const auto limit = std::chrono::milliseconds(RecorderSocket::attemptTimeout).count();
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected"_s, int(limit) + pollWaitMs);
    QVERIFY(!window->link().isPolling());
    QVERIFY(!window->link().isConnected());
}

QTEST_MAIN(tst_connection)
#include "tst_connection.moc"
