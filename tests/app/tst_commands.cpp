// Every command widget as the recorder sees it: one exact line per press while connected,
// nothing while not (now or later), and replies that never pile up in memory.
#include "frm_main.h"
#include "loopback_recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 5000;
// A dropped SYN is retried after about 1 s and again 2 s later.
constexpr int slowHandshakeMs = 10000;
constexpr qint64 MiB = 1024 * 1024;

// A line no button sends: once it has arrived, everything pressed before it has arrived too.
const QByteArray marker = "stat disk\r\n";

// What the user sees of every named widget: its text and whether it can be used.
QStringList screen(const QWidget &window)
{
    QStringList shown;
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (widget->objectName().isEmpty())
            continue;
        QString text;
        if (const auto *box = qobject_cast<const QLineEdit *>(widget))
            text = box->text();
        else if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            text = button->text();
        else if (const auto *label = qobject_cast<const QLabel *>(widget))
            text = label->text();
        shown << widget->objectName() + widget->property("index").toString()
                + (widget->isEnabled() ? u" on: "_s : u" off: "_s) + text;
    }
    return shown;
}

qint64 residentBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &row : status.readAll().split('\n')) {
        if (row.startsWith("VmRSS:"))
            return row.mid(6).simplified().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Bytes the kernel still holds on the recorder's connections: sent but not acknowledged, or
// arrived but not yet read by the program.
qint64 kernelQueued(quint16 recorderPort)
{
    QFile table(u"/proc/net/tcp"_s);
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    const auto port = [](const QByteArray &address) {
        return address.mid(address.indexOf(':') + 1).toUShort(nullptr, 16);
    };
    qint64 queued = 0;
    for (const QByteArray &row : table.readAll().split('\n')) {
        const QList<QByteArray> fields = row.simplified().split(' ');
        if (fields.size() < 5 || fields[3] != "01" // established
            || (port(fields[1]) != recorderPort && port(fields[2]) != recorderPort))
            continue;
        const QList<QByteArray> queues = fields[4].split(':');
        queued += queues.value(0).toLongLong(nullptr, 16) + queues.value(1).toLongLong(nullptr, 16);
    }
    return queued;
}

} // namespace

class tst_commands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void everyWidgetSendsItsLine_data();
    void everyWidgetSendsItsLine();
    void channelBox_data();
    void channelBox();
    void messageBox_data();
    void messageBox();
    void pressDuringSlowAttemptIsDropped();
    void pressAfterRecorderClosedIsDropped();
    void floodLeavesMemoryFlat();

private:
    QPushButton *button(const QString &name, int index = -1) const;
    QLineEdit *box(const QString &name) const { return window->findChild<QLineEdit *>(name); }
    QString info() const { return window->findChild<QLabel *>(u"lbl_info"_s)->text(); }
    int connectWindow();
    void sendMarker() { window->link().vdr_send(QString::fromLatin1(marker)); }
    void pressEveryCommand();
    bool floodAndDrain(int connection, qint64 bytes);

    std::unique_ptr<LoopbackRecorder> recorder;
    std::unique_ptr<frm_main> window;
    // The window reads zappomatic.ini from here: an empty folder, so defaults apply.
    QTemporaryDir settingsFolder;
};

void tst_commands::init()
{
    // A socket used in a state that cannot take the call makes Qt warn; none may appear.
    QTest::failOnWarning(QRegularExpression(u"."_s));
    recorder = std::make_unique<LoopbackRecorder>();
    QVERIFY(recorder->listen());
    window = std::make_unique<frm_main>(settingsFolder.path());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void tst_commands::cleanup()
{
    window.reset();
    recorder.reset();
}

QPushButton *tst_commands::button(const QString &name, int index) const
{
    for (QPushButton *found : window->findChildren<QPushButton *>(name)) {
        if (index < 0 || found->property("index").toInt() == index)
            return found;
    }
    return nullptr;
}

// Connects as the user does and waits for the poll that enables the controls. Returns the
// recorder's number for the new connection, or -1.
int tst_commands::connectWindow()
{
    const int connection = recorder->connectionCount();
    box(u"txt_ip"_s)->setText(u"127.0.0.1"_s);
    box(u"txt_port"_s)->setText(QString::number(recorder->port()));
    QTest::mouseClick(button(u"cmd_connect"_s), Qt::LeftButton);
    const bool up = QTest::qWaitFor(
        [&] {
            return recorder->connectionCount() > connection
                && window->link().socketState() == RecorderSocket::State::Connected
                && info().startsWith("Connected to "_L1);
        },
        slowHandshakeMs);
    return up ? connection : -1;
}

void tst_commands::pressEveryCommand()
{
    for (QPushButton *command : window->findChildren<QPushButton *>()) {
        if (command->objectName() != "cmd_connect"_L1
            && command->objectName() != "cmd_disconnect"_L1)
            QTest::mouseClick(command, Qt::LeftButton);
    }
}

// Floods the connection and waits until the program has taken every byte of it.
bool tst_commands::floodAndDrain(int connection, qint64 bytes)
{
    recorder->flood(connection, bytes);
    return QTest::qWaitFor(
        [&] {
            return recorder->unsentBytes(connection) == 0 && kernelQueued(recorder->port()) == 0;
        },
        30000);
}

void tst_commands::everyWidgetSendsItsLine_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("wire");
    // clang-format off
    const std::pair<const char *, QByteArray> fixed[] = {
        {"cmd_up", "hitk up"}, {"cmd_down", "hitk down"}, {"cmd_left", "hitk left"},
        {"cmd_right", "hitk right"}, {"cmd_ok", "hitk ok"}, {"cmd_back", "hitk back"},
        {"cmd_menu", "hitk menu"}, {"cmd_red", "hitk red"}, {"cmd_green", "hitk green"},
        {"cmd_yellow", "hitk yellow"}, {"cmd_blue", "hitk blue"},
        {"cmd_volplus", "hitk volume+"}, {"cmd_volminus", "hitk volume-"},
        {"cmd_mute", "hitk mute"}, {"cmd_chplus", "chan +"}, {"cmd_chminus", "chan -"}};
    // clang-format on
    for (const auto &[widget, command] : fixed)
        QTest::addRow("%s sends %s", widget, command.constData())
            << QString::fromLatin1(widget) << -1 << command + "\r\n";
    for (const int digit : {0, 1, 5, 9})
        QTest::addRow("digit %d sends hitk %d", digit, digit)
            << u"cmd_number"_s << digit << "hitk " + QByteArray::number(digit) + "\r\n";
    QTest::newRow("Go CH sends the channel box")
        << u"cmd_goch"_s << -1 << QByteArray("chan 42\r\n");
    QTest::newRow("Send MSG sends the message box")
        << u"cmd_sendmsg"_s << -1 << QByteArray("mesg Hallo Welt\r\n");
}

void tst_commands::everyWidgetSendsItsLine()
{
    QFETCH(QString, widget);
    QFETCH(int, index);
    QFETCH(QByteArray, wire);
    box(u"txt_chan"_s)->setText(u"42"_s);
    box(u"txt_msg"_s)->setText(u"Hallo Welt"_s);
    QPushButton *pressed = button(widget, index);
    QVERIFY(pressed);

    // Not connected yet. The keyboard runs the handlers whether or not the buttons are
    // enabled; enabling the group lets the mouse reach them the same way.
    window->SetControls(true);
    const QStringList before = screen(*window);
    QTest::mouseClick(pressed, Qt::LeftButton);
    QCOMPARE(screen(*window), before);
    QVERIFY(!window->link().isConnected());

    // Connected: one line per press, and nothing kept back from the press before.
    const int connection = connectWindow();
    QVERIFY(connection >= 0);
    QTest::mouseClick(pressed, Qt::LeftButton);
    QTest::mouseClick(pressed, Qt::LeftButton);
    sendMarker();
    QTRY_COMPARE_WITH_TIMEOUT(recorder->allReceived(), wire + wire + marker, waitMs);
}

void tst_commands::channelBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("wire"); // empty: nothing is sent
    QTest::newRow("leading zeros dropped") << u"007"_s << QByteArray("chan 7\r\n");
    QTest::newRow("whole number with point") << u"12.0"_s << QByteArray("chan 12\r\n");
    QTest::newRow("exponent written out") << u"1e2"_s << QByteArray("chan 100\r\n");
    QTest::newRow("negative kept") << u"-3"_s << QByteArray("chan -3\r\n");
    QTest::newRow("blanks around") << u" 12 "_s << QByteArray("chan 12\r\n");
    QTest::newRow("empty box") << QString() << QByteArray();
    QTest::newRow("letters") << u"abc"_s << QByteArray();
    QTest::newRow("letters after the number") << u"12abc"_s << QByteArray();
}

void tst_commands::channelBox()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, wire);
    const int connection = connectWindow();
    QVERIFY(connection >= 0);
    // Typed digits are shortcuts of their own ("hitk 1"), so the text goes in directly.
    QLineEdit *channel = box(u"txt_chan"_s);
    channel->setText(text);

    QTest::mouseClick(button(u"cmd_goch"_s), Qt::LeftButton);
    sendMarker();
    QTRY_COMPARE_WITH_TIMEOUT(recorder->received(connection), wire + marker, waitMs);
    QCOMPARE(channel->text(), text);
}

void tst_commands::messageBox_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("empty box keeps the blank") << QString() << QByteArray("mesg \r\n");
    QTest::newRow("umlauts as UTF-8") << u"Grüße"_s
                                      << QByteArray("mesg Gr\xC3\xBC\xC3\x9F"
                                                    "e\r\n");
    QTest::newRow("character beyond 16 bits as UTF-8")
        << u"TV \U0001F4FA"_s << QByteArray("mesg TV \xF0\x9F\x93\xBA\r\n");
    QTest::newRow("pasted CR LF cannot start a second command")
        << u"Hallo\r\nDELR 1"_s << QByteArray("mesg Hallo  DELR 1\r\n");
    QTest::newRow("pasted tab and lone LF") << u"a\tb\nc"_s << QByteArray("mesg a b c\r\n");
}

void tst_commands::messageBox()
{
    QFETCH(QString, pasted);
    QFETCH(QByteArray, wire);
    const int connection = connectWindow();
    QVERIFY(connection >= 0);
    QLineEdit *message = box(u"txt_msg"_s);
    message->clear();
    QApplication::clipboard()->setText(pasted);
    message->setFocus();
    QTest::keyClick(message, Qt::Key_V, Qt::ControlModifier);
    // The box really holds the control characters; only the line leaves without them.
    QCOMPARE(message->text(), pasted);

    QTest::mouseClick(button(u"cmd_sendmsg"_s), Qt::LeftButton);
    sendMarker();
    QTRY_COMPARE_WITH_TIMEOUT(recorder->received(connection), wire + marker, waitMs);
}

void tst_commands::pressDuringSlowAttemptIsDropped()
{
    QCOMPARE(connectWindow(), 0);
    box(u"txt_chan"_s)->setText(u"5"_s);
    box(u"txt_msg"_s)->setText(u"Hallo"_s);
    // Connecting again while the recorder stalls the handshake: the controls stay enabled and
    // the link believes itself connected while its socket still waits.
    QVERIFY(recorder->makeHandshakeSlow());
    QTest::mouseClick(button(u"cmd_connect"_s), Qt::LeftButton);
    QVERIFY(window->link().isConnected());
    QVERIFY(window->link().socketState() == RecorderSocket::State::Attempting);
    QVERIFY(button(u"cmd_menu"_s)->isEnabled());

    pressEveryCommand();
    QVERIFY2(window->link().socketState() == RecorderSocket::State::Attempting,
             "the presses came while the attempt was still under way");

    // Once the attempt completes, the presses must not turn up late.
    QVERIFY(recorder->resumeSlowHandshake());
    QVERIFY(QTest::qWaitFor(
        [&] {
            return recorder->connectionCount() == 2
                && window->link().socketState() == RecorderSocket::State::Connected;
        },
        slowHandshakeMs));
    sendMarker();
    QTRY_COMPARE_WITH_TIMEOUT(recorder->allReceived(), marker, waitMs);
    QCOMPARE(recorder->received(1), marker);
}

void tst_commands::pressAfterRecorderClosedIsDropped()
{
    QCOMPARE(connectWindow(), 0);
    box(u"txt_chan"_s)->setText(u"5"_s);
    box(u"txt_msg"_s)->setText(u"Hallo"_s);
    // Close right after a poll, so that the next one is most of an interval away.
    QSignalSpy polled(&window->link(), &RecorderLink::connectionUp);
    QVERIFY(polled.wait(waitMs));
    recorder->closeConnections();
    QTRY_VERIFY_WITH_TIMEOUT(window->link().socketState() == RecorderSocket::State::Closed, 300);
    QVERIFY2(window->link().isConnected() && info().startsWith("Connected to "_L1),
             "the presses come before the poll that notices the close");

    pressEveryCommand();
    QTRY_COMPARE_WITH_TIMEOUT(info(), u"Not connected"_s, waitMs);
    QVERIFY(!window->link().isConnected());
    QVERIFY(!button(u"cmd_menu"_s)->isEnabled());

    QCOMPARE(connectWindow(), 1);
    sendMarker();
    QTRY_COMPARE_WITH_TIMEOUT(recorder->allReceived(), marker, waitMs);
    QCOMPARE(recorder->received(1), marker);
}

void tst_commands::floodLeavesMemoryFlat()
{
    constexpr qint64 floodBytes = 8 * MiB;
    constexpr int rounds = 4;
    // The recorder's own send buffer lives in this process too. A fixed threshold keeps glibc
    // from raising it after the first large free, so every large block is mapped on its own
    // and handed back when freed, and the resident size shows only memory still held.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    const int connection = connectWindow();
    QVERIFY(connection >= 0);
    // One flood before measuring, so that buffers made once per connection are not counted.
    QVERIFY(floodAndDrain(connection, floodBytes));
    const qint64 before = residentBytes();
    QVERIFY(before > 0);
    for (int round = 0; round < rounds; ++round)
        QVERIFY(floodAndDrain(connection, floodBytes));
    const qint64 after = residentBytes();
    qInfo("resident before %lld KiB, after %d floods of %lld MiB %lld KiB, growth %lld KiB",
          before / 1024, rounds, floodBytes / MiB, after / 1024, (after - before) / 1024);
    QVERIFY2(after - before < 2 * MiB, "memory grew with the flood");

    box(u"txt_msg"_s)->setText(u"Grüße"_s);
    QTest::mouseClick(button(u"cmd_menu"_s), Qt::LeftButton);
    QTest::mouseClick(button(u"cmd_sendmsg"_s), Qt::LeftButton);
    sendMarker();
    const QByteArray wire = "hitk menu\r\nmesg Gr\xC3\xBC\xC3\x9F"
                            "e\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(recorder->received(connection), wire + marker, waitMs);
}

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
