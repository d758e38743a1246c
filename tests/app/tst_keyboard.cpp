// The keyboard shortcuts as the recorder and the user see them: each key press inside the
// window sends the matching button's line once, whichever widget has the focus, and that
// widget still gets the key.
#include "frm_main.h"
#include "keyboard.h"
#include "loopback_recorder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 5000;
// No shortcut sends it: once it has arrived, so has everything the keys sent before it.
const QByteArray marker = "hitk mute\r\n"_ba;

struct Press
{
    QByteArray name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QByteArray line;
};

QList<Press> shortcuts()
{
    QList<Press> presses;
    for (int digit = 0; digit <= 9; ++digit) {
        const QByteArray text = QByteArray::number(digit);
        presses.append({text, Qt::Key(Qt::Key_0 + digit), {}, "hitk " + text + "\r\n"});
    }
    return presses
        + QList<Press> {
            {"Up", Qt::Key_Up, {}, "hitk up\r\n"},
            {"Down", Qt::Key_Down, {}, "hitk down\r\n"},
            {"Left", Qt::Key_Left, {}, "hitk left\r\n"},
            {"Right", Qt::Key_Right, {}, "hitk right\r\n"},
            {"Backspace", Qt::Key_Backspace, {}, "hitk back\r\n"},
            {"Return", Qt::Key_Return, {}, "hitk ok\r\n"},
            {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, "hitk ok\r\n"},
            {"F1", Qt::Key_F1, {}, "hitk red\r\n"},
            {"F2", Qt::Key_F2, {}, "hitk green\r\n"},
            {"F3", Qt::Key_F3, {}, "hitk yellow\r\n"},
            {"F4", Qt::Key_F4, {}, "hitk blue\r\n"},
            {"Menu key", Qt::Key_Menu, {}, "hitk menu\r\n"},
            {"keypad minus", Qt::Key_Minus, Qt::KeypadModifier, "hitk menu\r\n"},
        };
}

const Press silentKeys[] = {
    {"keypad 0", Qt::Key_0, Qt::KeypadModifier, ""},
    {"keypad 5", Qt::Key_5, Qt::KeypadModifier, ""},
    {"keypad 9", Qt::Key_9, Qt::KeypadModifier, ""},
    {"keypad plus", Qt::Key_Plus, Qt::KeypadModifier, ""},
    {"minus", Qt::Key_Minus, {}, ""},
    {"F5", Qt::Key_F5, {}, ""},
    {"F12", Qt::Key_F12, {}, ""},
    {"Escape", Qt::Key_Escape, {}, ""},
    {"Tab", Qt::Key_Tab, {}, ""},
    {"Space", Qt::Key_Space, {}, ""},
    {"letter A", Qt::Key_A, {}, ""},
    {"letter M", Qt::Key_M, {}, ""},
    {"letter Z", Qt::Key_Z, {}, ""},
};

// A button nested in a frame, so that a key it ignores travels up three parents.
const auto focusButton = u"cmd_red"_s;
const QString focusWidgets[] = {focusButton, u"txt_chan"_s, u"txt_msg"_s};

bool connectWindow(frm_main &window, quint16 port)
{
    window.findChild<QLineEdit *>(u"txt_port"_s)->setText(QString::number(port));
    window.cmd_connect_Click();
    const auto *info = window.findChild<QLabel *>(u"lbl_info"_s);
    return QTest::qWaitFor([info] { return info->text().startsWith("Connected to "_L1); }, waitMs);
}

} // namespace

class tst_keyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void keySendsItsLine_data();
    void keySendsItsLine();
    void typedKeyEditsAndSends_data();
    void typedKeyEditsAndSends();
    void heldKeySendsEachRepeat_data();
    void heldKeySendsEachRepeat();
    void offlineKeysOnlyReachTheWidget();
    void digitRowByPosition_data();
    void digitRowByPosition();

private:
    QWidget *focusOn(const QString &name);
    // What the keys sent since init(), once a later marker line has arrived.
    QByteArray sentUpToMarker();

    LoopbackRecorder recorder;
    QTemporaryDir settingsFolder;
    std::unique_ptr<frm_main> window;
    int connection = -1;
    qsizetype alreadySent = 0;
};

void tst_keyboard::initTestCase()
{
    QVERIFY(recorder.listen());
    window = std::make_unique<frm_main>(settingsFolder.path());
    window->show();
    window->findChild<QLineEdit *>(u"txt_ip"_s)->setText(u"127.0.0.1"_s);
    QVERIFY(connectWindow(*window, recorder.port()));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.connectionCount(), 1, waitMs);
    connection = 0;
}

void tst_keyboard::init()
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->findChild<QLineEdit *>(u"txt_chan"_s)->setText(u"3"_s);
    window->findChild<QLineEdit *>(u"txt_msg"_s)->setText(u"Hallo"_s);
    alreadySent = recorder.received(connection).size();
}

QWidget *tst_keyboard::focusOn(const QString &name)
{
    auto *widget = window->findChild<QWidget *>(name);
    if (widget)
        widget->setFocus();
    return widget && QApplication::focusWidget() == widget ? widget : nullptr;
}

QByteArray tst_keyboard::sentUpToMarker()
{
    window->cmd_mute_Click();
    const auto sent = [this] {
        return recorder.received(connection).mid(alreadySent);
    };
    if (!QTest::qWaitFor([&sent] { return sent().endsWith(marker); }, waitMs))
        return "marker missing after: "_ba + sent();
    return sent().chopped(marker.size());
}

void tst_keyboard::keySendsItsLine_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QByteArray>("sent");

    const std::pair<const char *, Qt::KeyboardModifiers> held[]
        = {{"", {}}, {"Shift+", Qt::ShiftModifier}, {"Ctrl+", Qt::ControlModifier}};
    for (const QString &focus : focusWidgets) {
        const QByteArray where = focus.toLatin1();
        for (const Press &press : shortcuts()) {
            for (const auto &[prefix, modifier] : held) {
                QTest::addRow("%s%s in %s", prefix, press.name.constData(), where.constData())
                    << focus << int(press.key) << (press.modifiers | modifier) << press.line;
            }
        }
        for (const Press &press : silentKeys) {
            if (focus == focusButton && press.key == Qt::Key_Space)
                continue;
            QTest::addRow("%s in %s sends nothing", press.name.constData(), where.constData())
                << focus << int(press.key) << press.modifiers << QByteArray();
        }
    }
    // Space clicks a focused button; no shortcut comes on top of that.
    QTest::newRow("Space in cmd_red is only its click")
        << focusButton << int(Qt::Key_Space) << Qt::KeyboardModifiers() << "hitk red\r\n"_ba;
}

void tst_keyboard::keySendsItsLine()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QByteArray, sent);

    QWidget *target = focusOn(focus);
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key(key), modifiers);
    QCOMPARE(sentUpToMarker(), sent);
}

void tst_keyboard::typedKeyEditsAndSends_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("sent");

    QTest::newRow("12 typed into txt_chan") << u"txt_chan"_s << QKeySequence(Qt::Key_1, Qt::Key_2)
                                            << u"312"_s << "hitk 1\r\nhitk 2\r\n"_ba;
    QTest::newRow("Left moves the cursor before 7 in txt_chan")
        << u"txt_chan"_s << QKeySequence(Qt::Key_Left, Qt::Key_7) << u"73"_s
        << "hitk left\r\nhitk 7\r\n"_ba;
    QTest::newRow("Backspace in txt_chan")
        << u"txt_chan"_s << QKeySequence(Qt::Key_Backspace) << QString() << "hitk back\r\n"_ba;
    QTest::newRow("Backspace twice in txt_msg")
        << u"txt_msg"_s << QKeySequence(Qt::Key_Backspace, Qt::Key_Backspace) << u"Hal"_s
        << "hitk back\r\nhitk back\r\n"_ba;
    QTest::newRow("Return in txt_chan")
        << u"txt_chan"_s << QKeySequence(Qt::Key_Return) << u"3"_s << "hitk ok\r\n"_ba;
    QTest::newRow("keypad Enter in txt_msg")
        << u"txt_msg"_s << QKeySequence(Qt::KeypadModifier | Qt::Key_Enter) << u"Hallo"_s
        << "hitk ok\r\n"_ba;
    QTest::newRow("keypad minus in txt_chan")
        << u"txt_chan"_s << QKeySequence(Qt::KeypadModifier | Qt::Key_Minus) << u"3-"_s
        << "hitk menu\r\n"_ba;
    QTest::newRow("keypad digits in txt_chan only type")
        << u"txt_chan"_s
        << QKeySequence(Qt::KeypadModifier | Qt::Key_4, Qt::KeypadModifier | Qt::Key_2) << u"342"_s
        << QByteArray();
    QTest::newRow("letter m in txt_msg only types")
        << u"txt_msg"_s << QKeySequence(Qt::Key_M) << u"Hallom"_s << QByteArray();
}

void tst_keyboard::typedKeyEditsAndSends()
{
    QFETCH(QString, box);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, text);
    QFETCH(QByteArray, sent);

    QWidget *target = focusOn(box);
    QVERIFY(target);
    QTest::keySequence(target, keys);
    QCOMPARE(sentUpToMarker(), sent);
    QCOMPARE(qobject_cast<QLineEdit *>(target)->text(), text);
}

void tst_keyboard::heldKeySendsEachRepeat_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("7 held in txt_chan") << u"txt_chan"_s << int(Qt::Key_7) << 5 << "hitk 7\r\n"_ba;
    QTest::newRow("Up held on cmd_red") << focusButton << int(Qt::Key_Up) << 4 << "hitk up\r\n"_ba;
    QTest::newRow("Backspace held in txt_msg")
        << u"txt_msg"_s << int(Qt::Key_Backspace) << 3 << "hitk back\r\n"_ba;
}

void tst_keyboard::heldKeySendsEachRepeat()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, repeats);
    QFETCH(QByteArray, line);

    QWidget *target = focusOn(focus);
    QVERIFY(target);
    // One event object offered again and again: each offer is a key-down of its own.
    QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
    for (int i = 0; i < repeats; ++i)
        QApplication::sendEvent(target, &repeat);
    QCOMPARE(sentUpToMarker(), line.repeated(repeats));
}

void tst_keyboard::offlineKeysOnlyReachTheWidget()
{
    frm_main offline(settingsFolder.path());
    offline.show();
    offline.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&offline));
    auto *ip = offline.findChild<QLineEdit *>(u"txt_ip"_s);
    QCOMPARE(QApplication::focusWidget(), ip);

    // Every shortcut, then the recorder's address typed with digits and Backspace: the box
    // takes the keys, and nothing may be sent, now or once a connection is up.
    for (const Press &press : shortcuts())
        QTest::keyClick(ip, press.key, press.modifiers);
    ip->selectAll();
    QTest::keyClicks(ip, u"127.0.0.12"_s);
    QTest::keyClick(ip, Qt::Key_Backspace);
    QCOMPARE(ip->text(), u"127.0.0.1"_s);

    const int offlineConnection = recorder.connectionCount();
    QVERIFY(connectWindow(offline, recorder.port()));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.connectionCount(), offlineConnection + 1, waitMs);
    QTest::keyClick(ip, Qt::Key_F2);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.received(offlineConnection), "hitk green\r\n"_ba, waitMs);
    // The connected window beside it took none of these keys for its own.
    QCOMPARE(sentUpToMarker(), QByteArray());
}

void tst_keyboard::digitRowByPosition_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<quint32>("xKeycode");
    QTest::addColumn<int>("code");

    QTest::newRow("Shift+1 named ! on a US layout")
        << int(Qt::Key_Exclam) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 10u << 49;
    QTest::newRow("1 named & on a French layout")
        << int(Qt::Key_Ampersand) << Qt::KeyboardModifiers() << 10u << 49;
    QTest::newRow("0 named a-grave on a French layout")
        << int(Qt::Key_Agrave) << Qt::KeyboardModifiers() << 19u << 48;
    QTest::newRow("Ctrl+9") << int(Qt::Key_9) << Qt::KeyboardModifiers(Qt::ControlModifier) << 18u
                            << 57;
    QTest::newRow("keypad 1 stays a keypad key")
        << int(Qt::Key_1) << Qt::KeyboardModifiers(Qt::KeypadModifier) << 87u << 97;
    QTest::newRow("letter Q below the digit row")
        << int(Qt::Key_Q) << Qt::KeyboardModifiers() << 24u << 81;
    QTest::newRow("synthesized Shift+5 without a keycode")
        << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 0u << 53;
}

void tst_keyboard::digitRowByPosition()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(quint32, xKeycode);
    QFETCH(int, code);

    const QKeyEvent press(QEvent::KeyPress, key, modifiers, xKeycode, 0, 0);
    QCOMPARE(Keyboard::keyCode(press, Keyboard::PhysicalKeys::XKeycodes), code);
}

QTEST_MAIN(tst_keyboard)
#include "tst_keyboard.moc"
