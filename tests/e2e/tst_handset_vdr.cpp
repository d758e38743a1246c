// The handset window against a real VDR: every check reads what the recorder itself shows.
#include "frm_main.h"
#include "vdr_recorder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

// VDR acts on a key a moment after accepting it, and every query waits on the window's idle
// connection; the window itself polls its socket every 500 ms.
constexpr int waitMs = 5000;

// QTRY_COMPARE counts its timeout in polls rather than time, and a query of the recorder takes
// a few hundred ms: a failing check would outlast the test's time limit and lose its message.
#define COMPARE_SOON(actual, expected)                                                             \
    do {                                                                                           \
        if (!QTest::qWaitFor([&] { return (actual) == (expected); }, waitMs))                      \
            QCOMPARE(actual, expected);                                                            \
    } while (false)

const QString nothingOnScreen;
const QString mainMenu = u"VDR > 1 Schedule"_s;
const QString setupMenu = u"Setup - VDR 2.6.0 > 1 OSD"_s;
const QString dvbSetup = u"Setup - DVB > Primary DVB interface:\t1"_s;

struct Socket
{
    QString table, local, state;
};

// The sockets a process holds, from its open files and the kernel's tables in /proc.
QList<Socket> socketsOf(qint64 pid)
{
    namespace fs = std::filesystem;
    QSet<QByteArray> inodes;
    std::error_code error;
    for (const auto &fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const QByteArray target = QByteArray::fromStdString(fs::read_symlink(fd, error).string());
        if (target.startsWith("socket:["))
            inodes.insert(target.sliced(8).chopped(1));
    }
    QList<Socket> sockets;
    for (const QString &table : {u"tcp"_s, u"tcp6"_s, u"udp"_s, u"udp6"_s}) {
        QFile file(u"/proc/%1/net/%2"_s.arg(pid).arg(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
        for (const QByteArray &row : file.readAll().split('\n')) {
            const QList<QByteArray> fields = row.simplified().split(' ');
            if (fields.size() > 9 && inodes.contains(fields.at(9)))
                sockets.append(
                    {table, QString::fromLatin1(fields.at(1)), QString::fromLatin1(fields.at(3))});
        }
    }
    return sockets;
}

} // namespace

class tst_HandsetVdr : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void recorderListensOnLoopbackOnly();
    void pressesChangeScreen_data();
    void pressesChangeScreen();
    void messageShowsExactText();
    void disconnectLeavesRecorderServing();

private:
    QPushButton *button(const QString &name) const;
    bool press(const QString &what);
    QString status() const { return m_window->findChild<QLabel *>(u"lbl_info"_s)->text(); }
    qsizetype clientConnections() const;

    VdrRecorder m_vdr;
    QTemporaryDir m_settings;
    std::unique_ptr<frm_main> m_window;
};

void tst_HandsetVdr::initTestCase()
{
    ZAPPOMATIC_REQUIRE_VDR();
    QVERIFY2(m_vdr.start(), qPrintable(m_vdr.errorString()));
    qInfo("VDR pid %lld greeted on port %u after %lld ms", m_vdr.pid(), m_vdr.port(),
          qint64(m_vdr.startDuration().count()));

    m_window = std::make_unique<frm_main>(m_settings.path());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->findChild<QLineEdit *>(u"txt_ip"_s)->setText(u"127.0.0.1"_s);
    m_window->findChild<QLineEdit *>(u"txt_port"_s)->setText(QString::number(m_vdr.port()));
    QTest::mouseClick(button(u"cmd_connect"_s), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Connected to 127.0.0.1 port %1"_s.arg(m_vdr.port()),
                              waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(clientConnections(), 1, waitMs);
}

void tst_HandsetVdr::init()
{
    QVERIFY2(m_vdr.clearScreen(), qPrintable(m_vdr.query(u"PLUG svdrposd LSTO"_s)));
}

void tst_HandsetVdr::cleanupTestCase()
{
    m_window.reset();
    const qint64 pid = m_vdr.pid();
    if (!m_vdr.isRunning())
        return;
    QElapsedTimer clock;
    clock.start();
    m_vdr.stop();
    qInfo("VDR stopped after %lld ms", clock.elapsed());
    // Reaped, not a zombie: the pid names no process any more.
    QCOMPARE(::kill(pid_t(pid), 0), -1);
    QCOMPARE(errno, ESRCH);
}

// "cmd_number 6" picks the digit button by its index.
QPushButton *tst_HandsetVdr::button(const QString &name) const
{
    const QString index = name.section(u' ', 1);
    for (QPushButton *found : m_window->findChildren<QPushButton *>(name.section(u' ', 0, 0))) {
        if (index.isEmpty() || found->property("index").toString() == index)
            return found;
    }
    return nullptr;
}

// Clicks a button by its name, or presses a key given as QKeySequence text ("Num+-").
bool tst_HandsetVdr::press(const QString &what)
{
    if (what.startsWith(u"cmd_"_s)) {
        QPushButton *target = button(what);
        if (target)
            QTest::mouseClick(target, Qt::LeftButton);
        return target != nullptr;
    }
    const QKeyCombination key = QKeySequence::fromString(what)[0];
    QTest::keyClick(m_window.get(), key.key(), key.keyboardModifiers());
    return key.key() != Qt::Key_unknown && key.key() != Qt::Key(0);
}

qsizetype tst_HandsetVdr::clientConnections() const
{
    const auto isClient = [this](const Socket &socket) {
        return socket.table.startsWith(u"tcp"_s) && socket.state != u"0A"_s // listening
            && socket.local.section(u':', -1).toUShort(nullptr, 16) == m_vdr.port();
    };
    return std::ranges::count_if(socketsOf(m_vdr.pid()), isClient);
}

void tst_HandsetVdr::recorderListensOnLoopbackOnly()
{
    const QStringList loopback = {u"0100007F"_s, u"00000000000000000000000001000000"_s,
                                  u"0000000000000000FFFF00000100007F"_s};
    const QString svdrpListener = u"0100007F:%1"_s.arg(m_vdr.port(), 4, 16, QChar(u'0')).toUpper();
    bool listenerSeen = false;
    for (const Socket &socket : socketsOf(m_vdr.pid())) {
        QVERIFY2(loopback.contains(socket.local.section(u':', 0, 0)),
                 qPrintable(u"VDR holds a %1 socket on %2"_s.arg(socket.table, socket.local)));
        listenerSeen |= socket.local == svdrpListener && socket.state == u"0A"_s;
    }
    QVERIFY2(listenerSeen, "VDR's SVDRP listener is not among its sockets");
}

void tst_HandsetVdr::pressesChangeScreen_data()
{
    QTest::addColumn<QStringList>("presses");
    // What the recorder shows after each press.
    QTest::addColumn<QStringList>("screens");

    QTest::newRow("Menu button opens the main menu")
        << QStringList {u"cmd_menu"_s} << QStringList {mainMenu};
    QTest::newRow("Down button selects the second item")
        << QStringList {u"cmd_menu"_s, u"cmd_down"_s}
        << QStringList {mainMenu, u"VDR > 2 Channels"_s};
    QTest::newRow("Back button closes the main menu")
        << QStringList {u"cmd_menu"_s, u"cmd_back"_s} << QStringList {mainMenu, nothingOnScreen};
    QTest::newRow("digit button 6 then key 3 open the DVB setup")
        << QStringList {u"cmd_menu"_s, u"cmd_number 6"_s, u"3"_s}
        << QStringList {mainMenu, setupMenu, dvbSetup};
    QTest::newRow("digit key 6 then button 3 open the DVB setup")
        << QStringList {u"cmd_menu"_s, u"6"_s, u"cmd_number 3"_s}
        << QStringList {mainMenu, setupMenu, dvbSetup};
    QTest::newRow("keypad minus opens the main menu")
        << QStringList {u"Num+-"_s} << QStringList {mainMenu};
    QTest::newRow("Menu key opens the main menu")
        << QStringList {u"Menu"_s} << QStringList {mainMenu};
}

void tst_HandsetVdr::pressesChangeScreen()
{
    QFETCH(QStringList, presses);
    QFETCH(QStringList, screens);

    QString before = nothingOnScreen;
    for (qsizetype step = 0; step < presses.size(); ++step) {
        // A step that expects the screen it starts from would pass without any press.
        QVERIFY(screens.at(step) != before);
        QVERIFY2(press(presses.at(step)), qPrintable(presses.at(step)));
        COMPARE_SOON(m_vdr.screen(), screens.at(step));
        before = screens.at(step);
    }
}

void tst_HandsetVdr::messageShowsExactText()
{
    const QString osdMessage = u"PLUG svdrposd OSDM"_s;
    const QString text = u"Grüße aus Zappomatic"_s;
    QCOMPARE(m_vdr.query(osdMessage), u"930 Currently not on OSD"_s);
    m_window->findChild<QLineEdit *>(u"txt_msg"_s)->setText(text);
    QTest::mouseClick(button(u"cmd_sendmsg"_s), Qt::LeftButton);
    COMPARE_SOON(m_vdr.query(osdMessage), u"920 "_s + text);
}

void tst_HandsetVdr::disconnectLeavesRecorderServing()
{
    QCOMPARE(clientConnections(), 1);
    QTest::mouseClick(button(u"cmd_disconnect"_s), Qt::LeftButton);
    QCOMPARE(status(), u"Disconnected"_s);
    // The next poll finds the socket closed.
    QTRY_COMPARE_WITH_TIMEOUT(status(), u"Not connected"_s, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(clientConnections(), 0, waitMs);
    // Another client still drives the recorder.
    QCOMPARE(m_vdr.query(u"HITK Menu"_s), u"250 Key \"Menu\" accepted"_s);
    COMPARE_SOON(m_vdr.screen(), mainMenu);
}

QTEST_MAIN(tst_HandsetVdr)
#include "tst_handset_vdr.moc"
