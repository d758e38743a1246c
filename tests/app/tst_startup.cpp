// Start-up as the user finds it: what zappomatic.ini puts into the two fields, and a window
// that waits for "connect" without touching the recorder.
#include "frm_main.h"
#include "loopback_recorder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int timeoutMs = 5000;

// A null text leaves the folder without a settings file.
bool writeSettings(const QTemporaryDir &folder, const QByteArray &text)
{
    if (text.isNull())
        return true;
    QFile file(folder.filePath(u"zappomatic.ini"_s));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QString fieldText(const frm_main &window, const QString &name)
{
    return window.findChild<QLineEdit *>(name)->text();
}

} // namespace

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
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");

    QTest::newRow("host and port as written")
        << "[server]\nip=vdr.home.arpa\nport=2001\n"_ba << u"vdr.home.arpa"_s << u"2001"_s;
    QTest::newRow("no settings file") << QByteArray() << u"localhost"_s << u"2001"_s;
    QTest::newRow("empty ip gives the default host")
        << "[server]\nip=\nport=2010\n"_ba << u"localhost"_s << u"2010"_s;
    QTest::newRow("empty port gives 2001")
        << "[server]\nip=vdr.home.arpa\nport=\n"_ba << u"vdr.home.arpa"_s << u"2001"_s;
    QTest::newRow("section and keys in other letter cases")
        << "[SERVER]\nIP=vdr.home.arpa\nPort=2010\n"_ba << u"vdr.home.arpa"_s << u"2010"_s;

    const struct
    {
        const char *tag;
        QByteArray value;
        QString shown;
    } ports[] = {
        {"half above an odd port rounds up to even", "2001.5"_ba, u"2002"_s},
        {"half above an even port rounds down to even", "2000.5"_ba, u"2000"_s},
        {"port without a leading number shows 0", "abc"_ba, u"0"_s},
        {"negative port shown for connect to refuse", "-1"_ba, u"-1"_s},
        {"largest 16-bit port", "32767"_ba, u"32767"_s},
        {"TCP port above 16 bits", "40000"_ba, u"40000"_s},
        {"port beyond 32 bits counts as absent", "99999999999"_ba, u"2001"_s},
    };
    for (const auto &row : ports) {
        QTest::newRow(row.tag) << "[server]\nport=" + row.value + '\n'
                               << u"localhost"_s << row.shown;
    }
}

void tst_startup::fieldsFromSettings()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, ip);
    QFETCH(QString, port);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(writeSettings(folder, settings));

    const frm_main window(folder.path());
    QCOMPARE(fieldText(window, u"txt_ip"_s), ip);
    QCOMPARE(fieldText(window, u"txt_port"_s), port);
}

void tst_startup::waitsForConnect()
{
    LoopbackRecorder recorder;
    QVERIFY(recorder.listen());
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(writeSettings(
        folder, "[server]\nip=127.0.0.1\nport=" + QByteArray::number(recorder.port()) + '\n'));

    frm_main window(folder.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(fieldText(window, u"txt_port"_s), QString::number(recorder.port()));

    QList<QWidget *> group
        = {window.findChild<QWidget *>(u"frm_controls"_s),
           window.findChild<QWidget *>(u"cmd_menu"_s), window.findChild<QWidget *>(u"txt_chan"_s)};
    for (QPushButton *digit : window.findChildren<QPushButton *>(u"cmd_number"_s))
        group << digit;
    QCOMPARE(group.size(), 13);
    for (const QWidget *widget : group)
        QVERIFY2(!widget->isEnabled(), qPrintable(widget->objectName()));
    QVERIFY(!window.link().isPolling());
    QVERIFY(!window.link().isConnected());
    QCOMPARE(window.findChild<QLabel *>(u"lbl_info"_s)->text(), QString());

    // A connection the window had opened would be queued, and accepted, ahead of this one.
    QTcpSocket marker;
    marker.connectToHost(QHostAddress::LocalHost, recorder.port());
    QVERIFY(marker.waitForConnected(timeoutMs));
    marker.write("marker");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.allReceived(), "marker"_ba, timeoutMs);
    QCOMPARE(recorder.connectionCount(), 1);
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
