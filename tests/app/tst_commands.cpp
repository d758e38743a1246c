// Every command widget as the recorder sees it: one exact line per press while connected,
// nothing while not (now or later), and replies that never pile up in memory.
#include "handset_harness.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MiB = 1024 * 1024;

// What the user sees of every widget: whether it can be used, and its text.
QStringList screen(const QWidget &window)
{
    QStringList shown;
    for (const QWidget *widget : window.findChildren<QWidget *>())
        shown << widget->objectName() + QString::number(widget->isEnabled())
                + widget->property("text").toString();
    return shown;
}

// Every command button but connect and disconnect; the boxes hold "3" and "Hallo" from the start.
void pressEveryCommand(HandsetHarness &h)
{
    for (QPushButton *command : h.window().findChildren<QPushButton *>()) {
        if (!command->objectName().endsWith("connect"_L1))
            QTest::mouseClick(command, Qt::LeftButton);
    }
}

} // namespace

class tst_commands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One connection serves the presses of the tables; each reads what came after the last.
    void initTestCase()
    {
        shared = std::make_unique<HandsetHarness>();
        QCOMPARE(shared->connectWindow(), 0);
    }

    void init()
    {
        // A socket used in a state that cannot take the call makes Qt warn; none may appear.
        QTest::failOnWarning(QRegularExpression(u"."_s));
        shared->box(u"txt_chan"_s)->setText(u"42"_s);
        shared->box(u"txt_msg"_s)->setText(u"Hallo Welt"_s);
        alreadySent = shared->recorder().received(0).size();
    }
    void cleanupTestCase() { shared.reset(); }

    void everyWidgetSendsItsLine_data();
    void everyWidgetSendsItsLine()
    {
        QFETCH(QString, widget);
        QFETCH(int, index);
        QFETCH(QByteArray, wire);
        // One line per press, and nothing kept back from the press before.
        QTest::mouseClick(shared->button(widget, index), Qt::LeftButton);
        QTest::mouseClick(shared->button(widget, index), Qt::LeftButton);
        QCOMPARE(sharedWire(), wire + wire);
    }

    void channelBoxSendsOnlyANumber()
    {
        // Typed digits are shortcuts of their own ("hitk 1"), so the text goes in directly.
        QLineEdit *channel = shared->box(u"txt_chan"_s);
        channel->setText(u" 007"_s);
        QTest::mouseClick(shared->button(u"cmd_goch"_s), Qt::LeftButton);
        channel->setText(u"12abc"_s);
        QTest::mouseClick(shared->button(u"cmd_goch"_s), Qt::LeftButton);
        QCOMPARE(sharedWire(), "chan 7\r\n"_ba);
        QCOMPARE(channel->text(), u"12abc"_s);
    }

    void pastedMessageLeavesAsOneUtf8Line()
    {
        const QString pasted = u" Grüße \U0001F4FA\r\nDELR 1"_s;
        QLineEdit *message = shared->box(u"txt_msg"_s);
        message->clear();
        QApplication::clipboard()->setText(pasted);
        message->setFocus();
        QTest::keyClick(message, Qt::Key_V, Qt::ControlModifier);
        // The box really holds the line break; only the line leaves without it, blanks kept.
        QCOMPARE(message->text(), pasted);
        QTest::mouseClick(shared->button(u"cmd_sendmsg"_s), Qt::LeftButton);
        QCOMPARE(sharedWire(),
                 "mesg  Gr\xC3\xBC\xC3\x9F"
                 "e \xF0\x9F\x93\xBA  DELR 1\r\n"_ba);
    }

    void pressesWhileNotConnectedAreDropped();
    void pressDuringSlowAttemptIsDropped();
    void pressAfterRecorderClosedIsDropped();
    void floodLeavesMemoryFlat();

private:
    QByteArray sharedWire() { return shared->wireBeforeMarker(0).mid(alreadySent); }

    std::unique_ptr<HandsetHarness> shared;
    qsizetype alreadySent = 0;
};

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
        {"cmd_mute", "hitk mute"}, {"cmd_chplus", "chan +"}, {"cmd_chminus", "chan -"},
        {"cmd_goch", "chan 42"}, {"cmd_sendmsg", "mesg Hallo Welt"}};
    // clang-format on
    for (const auto &[widget, command] : fixed)
        QTest::addRow("%s sends %s", widget, command.constData())
            << QString::fromLatin1(widget) << -1 << command + "\r\n";
    for (int digit = 0; digit <= 9; ++digit)
        QTest::addRow("digit %d sends hitk %d", digit, digit)
            << u"cmd_number"_s << digit << "hitk " + QByteArray::number(digit) + "\r\n";
}

void tst_commands::pressesWhileNotConnectedAreDropped()
{
    HandsetHarness h;
    // The keyboard runs the handlers whether or not the buttons are enabled; enabling the
    // group lets the mouse reach them the same way.
    h.window().SetControls(true);
    const QStringList before = screen(h.window());
    pressEveryCommand(h);
    QCOMPARE(screen(h.window()), before);
    // Nor do they turn up once a connection is made.
    QCOMPARE(h.connectWindow(), 0);
    QCOMPARE(h.wireBeforeMarker(0), QByteArray());
}

void tst_commands::pressDuringSlowAttemptIsDropped()
{
    HandsetHarness h;
    QCOMPARE(h.connectWindow(), 0);
    // Connecting again while the recorder stalls the handshake: the controls stay enabled and
    // the link believes itself connected while its socket still waits.
    QVERIFY(h.recorder().makeHandshakeSlow());
    QTest::mouseClick(h.button(u"cmd_connect"_s), Qt::LeftButton);
    QVERIFY(h.window().link().isConnected() && h.button(u"cmd_menu"_s)->isEnabled());
    pressEveryCommand(h);
    QVERIFY2(h.window().link().socketState() == RecorderSocket::State::Attempting,
             "the presses came while the attempt was still under way");
    // Once the attempt completes, the presses must not turn up late.
    QVERIFY(h.recorder().resumeSlowHandshake());
    QTRY_VERIFY_WITH_TIMEOUT(h.recorder().connectionCount() == 2
                                 && h.window().link().socketState()
                                     == RecorderSocket::State::Connected,
                             HandsetHarness::waitMs);
    QCOMPARE(h.wireBeforeMarker(1), QByteArray());
    QCOMPARE(h.recorder().received(0), QByteArray());
}

void tst_commands::pressAfterRecorderClosedIsDropped()
{
    HandsetHarness h;
    QCOMPARE(h.connectWindow(), 0);
    // Close right after a poll, so that the next one is most of an interval away.
    QSignalSpy polled(&h.window().link(), &RecorderLink::connectionUp);
    QVERIFY(polled.wait(HandsetHarness::waitMs));
    h.recorder().closeConnections();
    QTRY_VERIFY_WITH_TIMEOUT(h.window().link().socketState() == RecorderSocket::State::Closed, 300);
    QVERIFY2(h.window().link().isConnected() && h.status().startsWith("Connected to "_L1),
             "the presses come before the poll that notices the close");
    pressEveryCommand(h);
    QTRY_COMPARE_WITH_TIMEOUT(h.status(), u"Not connected"_s, HandsetHarness::waitMs);
    QVERIFY(!h.button(u"cmd_menu"_s)->isEnabled());
    QCOMPARE(h.connectWindow(), 1);
    QCOMPARE(h.wireBeforeMarker(1), QByteArray());
    QCOMPARE(h.recorder().received(0), QByteArray());
}

void tst_commands::floodLeavesMemoryFlat()
{
    constexpr qint64 floodBytes = 8 * MiB;
    // The recorder's own send buffer lives in this process too. A fixed threshold keeps glibc
    // from raising it after the first large free, so every large block is mapped on its own
    // and handed back when freed, and the resident size shows only memory still held.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    HandsetHarness h;
    QCOMPARE(h.connectWindow(), 0);
    // Until the program has taken every byte of it.
    const auto floodAndDrain = [&h] {
        h.recorder().flood(0, floodBytes);
        return QTest::qWaitFor(
            [&h] { return h.recorder().unsentBytes(0) == 0 && h.kernelQueuedBytes() == 0; }, 30000);
    };
    // One flood before measuring, so that buffers made once per connection are not counted.
    QVERIFY(floodAndDrain());
    const qint64 before = HandsetHarness::memoryInUse();
    for (int round = 0; round < 4; ++round)
        QVERIFY(floodAndDrain());
    const qint64 growth = HandsetHarness::memoryInUse() - before;
    qInfo("resident %lld KiB, after 4 floods of 8 MiB grown by %lld KiB", before / 1024,
          growth / 1024);
    QVERIFY2(before > 0 && growth < 2 * MiB, "memory grew with the flood");
    // The link still sends after the flood.
    QTest::mouseClick(h.button(u"cmd_menu"_s), Qt::LeftButton);
    QCOMPARE(h.wireBeforeMarker(0), "hitk menu\r\n"_ba);
}

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
