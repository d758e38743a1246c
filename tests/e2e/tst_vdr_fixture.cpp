#include "vdr_recorder.h"

#include <QFile>
#include <QHostAddress>
#include <QSet>
#include <QTcpSocket>
#include <QTest>

#include <cerrno>
#include <filesystem>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

// VDR acts on a key in its main loop, a moment after SVDRP has accepted it.
constexpr int reactionTimeoutMs = 5000;
constexpr int connectTimeoutMs = 5000;

const QString osdTitle = u"PLUG svdrposd OSDT"_s;
const QString osdMessage = u"PLUG svdrposd OSDM"_s;
const QString nothingOnScreen = u"930 Currently not on OSD"_s;

// Inodes of the sockets among a process's open files.
QSet<QString> socketInodes(qint64 pid)
{
    namespace fs = std::filesystem;
    QSet<QString> inodes;
    std::error_code error;
    for (const auto &fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const QString target = QString::fromStdString(fs::read_symlink(fd.path(), error).string());
        if (target.startsWith(u"socket:["_s))
            inodes.insert(target.sliced(8).chopped(1));
    }
    return inodes;
}

} // namespace

// Proves the fixture against the real recorder, with a plain socket in the program's place.
class tst_VdrFixture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void greetingNamesThisRecorder();
    void recorderListensOnLoopbackOnly();
    void menuOpensMainMenu();
    void downMovesSelection_data();
    void downMovesSelection();
    void backClosesMenu();
    void messageShowsExactText_data();
    void messageShowsExactText();
    void stopEndsRecorderProcess();

private:
    void send(const QByteArray &command);

    VdrRecorder m_vdr;
    // Held open through every test, as the program holds its connection; replies stay unread.
    QTcpSocket m_remote;
    QString m_greeting;
};

void tst_VdrFixture::initTestCase()
{
    ZAPPOMATIC_REQUIRE_VDR();
    QVERIFY2(m_vdr.start(), qPrintable(m_vdr.errorString()));
    qInfo("VDR pid %lld greeted on port %u after %lld ms", m_vdr.pid(), m_vdr.port(),
          qint64(m_vdr.startDuration().count()));

    m_remote.connectToHost(QHostAddress::LocalHost, m_vdr.port());
    QVERIFY(m_remote.waitForConnected(connectTimeoutMs));
    QTRY_VERIFY_WITH_TIMEOUT(m_remote.canReadLine(), connectTimeoutMs);
    m_greeting = QString::fromUtf8(m_remote.readLine()).trimmed();
}

void tst_VdrFixture::init()
{
    QVERIFY2(m_vdr.clearScreen(), qPrintable(m_vdr.query(u"PLUG svdrposd LSTO"_s)));
}

void tst_VdrFixture::cleanupTestCase()
{
    m_remote.abort();
    if (!m_vdr.isRunning())
        return;
    m_vdr.stop();
    qInfo("VDR stopped after %lld ms", qint64(m_vdr.stopDuration().count()));
}

void tst_VdrFixture::send(const QByteArray &command)
{
    m_remote.write(command + "\r\n");
    m_remote.flush();
}

void tst_VdrFixture::greetingNamesThisRecorder()
{
    QVERIFY2(
        m_greeting.startsWith(u"220 "_s + m_vdr.hostName() + u" SVDRP VideoDiskRecorder 2.6"_s),
        qPrintable(m_greeting));
    QVERIFY2(m_greeting.endsWith(u"; UTF-8"_s), qPrintable(m_greeting));
}

void tst_VdrFixture::recorderListensOnLoopbackOnly()
{
    const QSet<QString> inodes = socketInodes(m_vdr.pid());
    const QString svdrpListener = u"0100007F:%1"_s.arg(m_vdr.port(), 4, 16, QChar(u'0')).toUpper();
    const QStringList loopback = {u"0100007F"_s, u"00000000000000000000000001000000"_s,
                                  u"0000000000000000FFFF00000100007F"_s};
    bool listenerSeen = false;
    for (const QString &table : {u"tcp"_s, u"tcp6"_s, u"udp"_s, u"udp6"_s}) {
        QFile file(u"/proc/%1/net/%2"_s.arg(m_vdr.pid()).arg(table));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        file.readLine(); // column titles
        while (!file.atEnd()) {
            // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
            const QStringList fields
                = QString::fromLatin1(file.readLine()).split(u' ', Qt::SkipEmptyParts);
            if (fields.size() < 10 || !inodes.contains(fields.at(9)))
                continue;
            const QString local = fields.at(1);
            QVERIFY2(loopback.contains(local.section(u':', 0, 0)),
                     qPrintable(u"VDR holds a %1 socket on %2"_s.arg(table, local)));
            listenerSeen |= table == u"tcp"_s && local == svdrpListener && fields.at(3) == u"0A"_s;
        }
    }
    QVERIFY2(listenerSeen, "VDR's SVDRP listener is not among its sockets");
}

void tst_VdrFixture::menuOpensMainMenu()
{
    send("hitk menu");
    QTRY_COMPARE_WITH_TIMEOUT(m_vdr.query(osdTitle), u"920 VDR"_s, reactionTimeoutMs);
}

void tst_VdrFixture::downMovesSelection_data()
{
    QTest::addColumn<QByteArrayList>("keys");
    QTest::addColumn<QString>("selected");

    QTest::newRow("lower-case down selects the second item")
        << QByteArrayList {"hitk down"} << u"2 Channels"_s;
    QTest::newRow("mixed-case Down selects the second item")
        << QByteArrayList {"HITK Down"} << u"2 Channels"_s;
    QTest::newRow("two downs select the third item")
        << QByteArrayList {"hitk down", "hitk down"} << u"3 Timers"_s;
}

void tst_VdrFixture::downMovesSelection()
{
    QFETCH(QByteArrayList, keys);
    QFETCH(QString, selected);

    send("hitk menu");
    QTRY_COMPARE_WITH_TIMEOUT(m_vdr.selectedItem(), u"1 Schedule"_s, reactionTimeoutMs);
    for (const QByteArray &key : keys)
        send(key);
    QTRY_COMPARE_WITH_TIMEOUT(m_vdr.selectedItem(), selected, reactionTimeoutMs);
}

void tst_VdrFixture::backClosesMenu()
{
    send("hitk menu");
    QTRY_COMPARE_WITH_TIMEOUT(m_vdr.query(osdTitle), u"920 VDR"_s, reactionTimeoutMs);
    send("hitk back");
    QTRY_COMPARE_WITH_TIMEOUT(m_vdr.query(osdTitle), nothingOnScreen, reactionTimeoutMs);
}

void tst_VdrFixture::messageShowsExactText_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("umlauts and sharp s arrive as UTF-8") << u"Grüße aus Zappomatic"_s;
    QTest::newRow("punctuation and digits are kept") << u"Tatort, 20:15 (ARD)!"_s;
}

void tst_VdrFixture::messageShowsExactText()
{
    QFETCH(QString, text);

    QCOMPARE(m_vdr.query(osdMessage), nothingOnScreen);
    send("mesg " + text.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(m_vdr.query(osdMessage), u"920 "_s + text, reactionTimeoutMs);
}

void tst_VdrFixture::stopEndsRecorderProcess()
{
    VdrRecorder vdr;
    QVERIFY2(vdr.start(), qPrintable(vdr.errorString()));
    const qint64 pid = vdr.pid();
    QVERIFY(pid > 0);

    vdr.stop();
    qInfo("second VDR: greeted after %lld ms, stopped after %lld ms",
          qint64(vdr.startDuration().count()), qint64(vdr.stopDuration().count()));
    QVERIFY(!vdr.isRunning());
    // Reaped, not a zombie: the pid names no process any more.
    QCOMPARE(::kill(pid_t(pid), 0), -1);
    QCOMPARE(errno, ESRCH);
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, vdr.port());
    QVERIFY(!probe.waitForConnected(connectTimeoutMs));
}

QTEST_GUILESS_MAIN(tst_VdrFixture)
#include "tst_vdr_fixture.moc"
