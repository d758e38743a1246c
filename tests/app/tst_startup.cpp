// Start-up as the user finds it: what zappomatic.ini puts into the two fields, and a window
// that waits for "connect" without touching the recorder.
#include "handset_harness.h"

#include <QLineEdit>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_startup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fieldsFromSettings_data();
    void fieldsFromSettings();
    void waitsForConnect();
};

void tst_startup::fieldsFromSettings_data()
{
    QTest::addColumn<QByteArray>("settings"); // null: no settings file
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");

    // Each row's window starts after the one before, so a port read earlier must not linger.
    QTest::newRow("host and port as written")
        << "[server]\nip=vdr.home.arpa\nport=2010\n"_ba << u"vdr.home.arpa"_s << u"2010"_s;
    QTest::newRow("no settings file") << QByteArray() << u"localhost"_s << u"2001"_s;
    QTest::newRow("empty ip gives the default host")
        << "[server]\nip=\nport=2010\n"_ba << u"localhost"_s << u"2010"_s;
    QTest::newRow("empty port gives 2001")
        << "[server]\nip=vdr.home.arpa\nport=\n"_ba << u"vdr.home.arpa"_s << u"2001"_s;

    const char *const ports[][3] = {
        {"half port rounds to even", "2000.5", "2000"},
        {"port without a leading number shows 0", "abc", "0"},
        {"negative port shown for connect to refuse", "-1", "-1"},
        {"TCP port above 16 bits", "40000", "40000"},
        {"port beyond 32 bits counts as absent", "99999999999", "2001"},
    };
    for (const auto &[tag, value, shown] : ports) {
        QTest::newRow(tag) << "[server]\nport=" + QByteArray(value) + '\n'
                           << u"localhost"_s << QString::fromLatin1(shown);
    }
}

void tst_startup::fieldsFromSettings()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, ip);
    QFETCH(QString, port);

    const HandsetHarness h(settings);
    QCOMPARE(h.box(u"txt_ip"_s)->text(), ip);
    QCOMPARE(h.box(u"txt_port"_s)->text(), port);
}

void tst_startup::waitsForConnect()
{
    HandsetHarness h("[server]\nip=127.0.0.1\nport={port}\n");
    QCOMPARE(h.box(u"txt_port"_s)->text(), QString::number(h.recorder().port()));
    QVERIFY(!h.window().link().isPolling());
    QVERIFY(!h.window().link().isConnected());
    QCOMPARE(h.status(), QString());

    // A connection the window had opened would be queued, and accepted, ahead of this one.
    QTcpSocket marker;
    marker.connectToHost(QHostAddress::LocalHost, h.recorder().port());
    QVERIFY(marker.waitForConnected(HandsetHarness::waitMs));
    marker.write("marker");
    QTRY_COMPARE_WITH_TIMEOUT(h.recorder().allReceived(), "marker"_ba, HandsetHarness::waitMs);
    QCOMPARE(h.recorder().connectionCount(), 1);
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
