// Connecting, polling and disconnecting as the user sees it in the window, against a
// recorder on loopback.
#include "handset_harness.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Long enough for a couple of polls on a loaded machine.
constexpr int pollWaitMs = 3000;

class tst_connection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        h = std::make_unique<HandsetHarness>();
        link = &h->window().link();
    }
    void cleanup() { h.reset(); }

    void connectThenDisconnect()
    {
        QCOMPARE(h->connectWindow(), 0);
        QCOMPARE(h->status(), connectedText());
        QVERIFY(groupEnabled());
        QVERIFY(link->isPolling());

        press(u"cmd_disconnect"_s);
        QCOMPARE(h->status(), u"Disconnected"_s);
        QVERIFY(!groupEnabled());
        QVERIFY(!link->isConnected());
        // The poll that is still running replaces the text, then stops.
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, pollWaitMs);
        QVERIFY(!link->isPolling());
        QTRY_VERIFY(!h->recorder().isOpen(0));
        // Nothing, neither a greeting nor a goodbye, was sent.
        QCOMPARE(h->recorder().received(0), QByteArray());
    }

    void disconnectWhileIdleDoesNothing()
    {
        press(u"cmd_disconnect"_s);
        QCOMPARE(h->status(), QString());
        QVERIFY(!link->isPolling());
    }

    void invalidFieldsMakeNoAttempt_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port"); // empty: the recorder's port
        QTest::newRow("empty host") << QString() << QString();
        QTest::newRow("port without a number") << u"127.0.0.1"_s << u"abc"_s;
        QTest::newRow("negative port") << u"127.0.0.1"_s << u"-5"_s;
        QTest::newRow("port that rounds to zero") << u"127.0.0.1"_s << u"0.4"_s;
        QTest::newRow("port above 65535 would wrap around") << u"127.0.0.1"_s << u"70000"_s;
        QTest::newRow("port beyond 32 bits") << u"127.0.0.1"_s << u"99999999999"_s;
        QTest::newRow("port beyond a double") << u"127.0.0.1"_s << u"1e999"_s;
    }
    void invalidFieldsMakeNoAttempt()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        connectTo(host, port.isEmpty() ? recorderPort() : port);
        QCOMPARE(link->socketState(), RecorderSocket::State::Closed);
        // Polling starts all the same and reports the failure at its first tick.
        QVERIFY(link->isPolling());
        QCOMPARE(h->status(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, pollWaitMs);
        QVERIFY(!link->isPolling());
        QCOMPARE(h->recorder().connectionCount(), 0);
    }

    void refusedPortEndsNotConnected()
    {
        h->recorder().refuse();
        connectTo(u"127.0.0.1"_s, recorderPort());
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, pollWaitMs);
        QVERIFY(!link->isPolling());
        QVERIFY(!link->isConnected());
        QVERIFY(!groupEnabled());
    }

    void recorderClosingIsNoticedWithinAPoll()
    {
        QCOMPARE(h->connectWindow(), 0);
        QElapsedTimer sinceClose;
        sinceClose.start();
        h->recorder().closeConnections();
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, pollWaitMs);
        QVERIFY2(sinceClose.elapsed() < 1000, "noticed within one poll interval");
        QVERIFY(!groupEnabled());
        QVERIFY(!link->isPolling());
        // The window still works: a new connect succeeds.
        QCOMPARE(h->connectWindow(), 1);
    }

    void connectWhileUpReplacesConnection()
    {
        QCOMPARE(h->connectWindow(), 0);
        QSignalSpy down(link, &RecorderLink::connectionDown);
        press(u"cmd_connect"_s);
        QTRY_COMPARE(h->recorder().connectionCount(), 2);
        QTRY_VERIFY(!h->recorder().isOpen(0));
        QVERIFY(h->recorder().isOpen(1));
        QCOMPARE(h->status(), connectedText());
        QVERIFY(groupEnabled());
        QCOMPARE(down.count(), 0);
    }

    void hostFieldEditsWhileUp()
    {
        QCOMPARE(h->connectWindow(), 0);
        // The status line reads the field at every poll, not the host connected to.
        h->box(u"txt_ip"_s)->setText(u"renamed.example"_s);
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), connectedText(u"renamed.example"_s), pollWaitMs);
        // An emptied host is refused without touching the open connection.
        h->box(u"txt_ip"_s)->clear();
        press(u"cmd_connect"_s);
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), connectedText(QString()), pollWaitMs);
        QCOMPARE(h->recorder().connectionCount(), 1);
        QVERIFY(h->recorder().isOpen(0));
    }

    void slowHandshakeStillConnects()
    {
        // The recorder's listen queue is full, so the handshake waits for the kernel's SYN retry.
        QVERIFY(h->recorder().makeHandshakeSlow());
        QSignalSpy down(link, &RecorderLink::connectionDown);
        QElapsedTimer attempt;
        attempt.start();
        connectTo(u"127.0.0.1"_s, recorderPort());
        QVERIFY(h->recorder().resumeSlowHandshake());
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), connectedText(), 4 * pollWaitMs);
        QVERIFY2(attempt.elapsed() > 2 * RecorderLink::pollInterval.count(),
                 "the attempt outlasted several polls");
        QCOMPARE(down.count(), 0);
        QVERIFY(groupEnabled());
    }

    void silentRecorderIsGivenUp()
    {
        QVERIFY(h->recorder().makeHandshakeSlow());
        connectTo(u"127.0.0.1"_s, recorderPort());
        QCOMPARE(link->socketState(), RecorderSocket::State::Attempting);
        const auto limit = std::chrono::milliseconds(RecorderSocket::attemptTimeout).count();
        QTRY_COMPARE_WITH_TIMEOUT(h->status(), u"Not connected"_s, int(limit) + pollWaitMs);
        QVERIFY(!link->isPolling());
        QVERIFY(!link->isConnected());
    }

private:
    void press(const QString &name) { QTest::mouseClick(h->button(name), Qt::LeftButton); }
    void connectTo(const QString &host, const QString &port)
    {
        h->box(u"txt_ip"_s)->setText(host);
        h->box(u"txt_port"_s)->setText(port);
        press(u"cmd_connect"_s);
    }
    QString recorderPort() const { return QString::number(h->recorder().port()); }
    QString connectedText(const QString &host = u"127.0.0.1"_s) const
    {
        return u"Connected to "_s + host + u" port "_s + recorderPort();
    }
    bool groupEnabled() const { return h->button(u"cmd_menu"_s)->isEnabled(); }

    std::unique_ptr<HandsetHarness> h;
    RecorderLink *link = nullptr;
};

QTEST_MAIN(tst_connection)
#include "tst_connection.moc"
