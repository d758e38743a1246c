// SPDX-License-Identifier: GPL-2.0-or-later
// The window against names that need more than one try: a name whose first address never
// completes a handshake, and a name server that never answers. Run by isolated.sh.
#include "frm_main.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

class tst_addresses : public QObject
{
    Q_OBJECT

    std::unique_ptr<frm_main> w;
    QElapsedTimer clock; // from the press of connect

    QString status() const { return w->findChild<QLabel *>(u"lbl_info"_s)->text(); }
    void connectTo(const QString &host, quint16 port)
    {
        w = std::make_unique<frm_main>(QDir::tempPath());
        w->findChild<QLineEdit *>(u"txt_ip"_s)->setText(host);
        w->findChild<QLineEdit *>(u"txt_port"_s)->setText(QString::number(port));
        clock.start();
        QTest::mouseClick(w->findChild<QPushButton *>(u"cmd_connect"_s), Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("ZAPPOMATIC_ISOLATED"), "run by isolated.sh");
    }

    // VDR listens on IPv4 only; the name's IPv6 address comes first and never answers.
    void nextAddressWhileTheFirstHangs()
    {
        const QList<QHostAddress> order = {QHostAddress::LocalHostIPv6, QHostAddress::LocalHost};
        QCOMPARE(QHostInfo::fromName(u"dual.test"_s).addresses(), order);
        QTcpServer recorder;
        QVERIFY(recorder.listen(QHostAddress::LocalHost));
        connect(&recorder, &QTcpServer::newConnection, this, [&recorder] {
            recorder.nextPendingConnection()->write("220 vdr SVDRP VideoDiskRecorder 2.6.0; ; "
                                                    "UTF-8\r\n");
        });
        // A backlog of 0 filled by a connection that is never accepted: further SYNs are dropped.
        QTcpServer silent;
        silent.setListenBacklogSize(0);
        QVERIFY(silent.listen(QHostAddress::LocalHostIPv6, recorder.serverPort()));
        silent.pauseAccepting();
        QTcpSocket filler;
        filler.connectToHost(QHostAddress::LocalHostIPv6, recorder.serverPort());
        QVERIFY(filler.waitForConnected(5000));

        connectTo(u"dual.test"_s, recorder.serverPort());
        QTRY_COMPARE_WITH_TIMEOUT(
            status(), u"Connected to dual.test port %1"_s.arg(recorder.serverPort()), 1000);
    }

    void silentNameServer()
    {
        QUdpSocket nameServer;
        QVERIFY2(nameServer.bind(QHostAddress::LocalHost, 53), "port 53 needs root");
        connectTo(u"slow.test"_s, 6419);
        QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected (lookup timed out)"_s, 10000);
        QCOMPARE_GE(clock.elapsed(), 5000);
        QCOMPARE_LE(clock.elapsed(), 5700); // the limit, and at most a poll
        QVERIFY(nameServer.hasPendingDatagrams()); // it was asked
    }
};

QTEST_MAIN(tst_addresses)
#include "tst_addresses.moc"
