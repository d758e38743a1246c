// The keyboard shortcuts as the recorder and the user see them: each key press inside the
// window sends the matching button's line once, whichever widget has the focus, and that
// widget still gets the key.
#include "handset_harness.h"
#include "keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Press
{
    QByteArray name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QByteArray line; // empty: the key runs no shortcut
};

QList<Press> keys()
{
    const Qt::KeyboardModifiers none, keypad = Qt::KeypadModifier, shift = Qt::ShiftModifier,
                                      ctrl = Qt::ControlModifier;
    QList<Press> presses;
    for (int digit = 0; digit <= 9; ++digit) {
        const QByteArray text = QByteArray::number(digit);
        presses.append({text, Qt::Key(Qt::Key_0 + digit), none, "hitk " + text + "\r\n"});
    }
    // clang-format off
    return presses + QList<Press> {
        {"Up", Qt::Key_Up, none, "hitk up\r\n"}, {"Down", Qt::Key_Down, none, "hitk down\r\n"},
        {"Left", Qt::Key_Left, none, "hitk left\r\n"},
        {"Right", Qt::Key_Right, none, "hitk right\r\n"},
        {"Backspace", Qt::Key_Backspace, none, "hitk back\r\n"},
        {"Return", Qt::Key_Return, none, "hitk ok\r\n"},
        {"keypad Enter", Qt::Key_Enter, keypad, "hitk ok\r\n"},
        {"F1", Qt::Key_F1, none, "hitk red\r\n"}, {"F2", Qt::Key_F2, none, "hitk green\r\n"},
        {"F3", Qt::Key_F3, none, "hitk yellow\r\n"}, {"F4", Qt::Key_F4, none, "hitk blue\r\n"},
        {"Menu key", Qt::Key_Menu, none, "hitk menu\r\n"},
        {"keypad minus", Qt::Key_Minus, keypad, "hitk menu\r\n"},
        // Modifiers are ignored, also where the box gives them a meaning of its own.
        {"Shift+1", Qt::Key_1, shift, "hitk 1\r\n"}, {"Ctrl+Up", Qt::Key_Up, ctrl, "hitk up\r\n"},
        {"Shift+F4", Qt::Key_F4, shift, "hitk blue\r\n"},
        {"Ctrl+Backspace", Qt::Key_Backspace, ctrl, "hitk back\r\n"},
        {"keypad 9", Qt::Key_9, keypad, ""}, {"minus", Qt::Key_Minus, none, ""},
        {"F5", Qt::Key_F5, none, ""}, {"Escape", Qt::Key_Escape, none, ""},
        {"Tab", Qt::Key_Tab, none, ""}, {"letter M", Qt::Key_M, none, ""},
    };
    // clang-format on
}

// A button nested in a frame, so that a key it ignores travels up three parents; and a box
// directly in the client area that takes most keys for itself.
const auto focusButton = u"cmd_red"_s;

} // namespace

Q_DECLARE_METATYPE(Press)

class tst_keyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        h = std::make_unique<HandsetHarness>();
        QCOMPARE(h->connectWindow(), 0);
    }

    void init()
    {
        h->window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&h->window()));
        h->box(u"txt_chan"_s)->setText(u"3"_s);
        h->box(u"txt_msg"_s)->setText(u"Hallo"_s);
        alreadySent = h->recorder().received(0).size();
    }
    void cleanupTestCase() { h.reset(); }

    void keySendsItsLine_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Press>("press");
        for (const QString &focus : {focusButton, u"txt_chan"_s}) {
            for (const Press &press : keys())
                QTest::addRow("%s in %s", press.name.constData(), qPrintable(focus))
                    << focus << press;
        }
        // Space clicks a focused button; no shortcut comes on top of that.
        QTest::newRow("Space in cmd_red is only its click")
            << focusButton << Press {"Space", Qt::Key_Space, {}, "hitk red\r\n"};
    }
    void keySendsItsLine()
    {
        QFETCH(QString, focus);
        QFETCH(Press, press);
        QWidget *target = focusOn(focus);
        QVERIFY(target);
        QTest::keyClick(target, press.key, press.modifiers);
        QCOMPARE(sent(), press.line);
    }

    void typedKeysEditTheBoxAndSend()
    {
        // Digits, Backspace and the keypad's minus are shortcuts as well; the keypad's digits
        // only type.
        QWidget *chan = focusOn(u"txt_chan"_s);
        QVERIFY(chan);
        QTest::keyClicks(chan, u"12"_s);
        QTest::keyClick(chan, Qt::Key_Backspace);
        QTest::keyClick(chan, Qt::Key_Minus, Qt::KeypadModifier);
        QTest::keyClick(chan, Qt::Key_0, Qt::KeypadModifier);
        QCOMPARE(h->box(u"txt_chan"_s)->text(), u"31-0"_s);
        QCOMPARE(sent(), "hitk 1\r\nhitk 2\r\nhitk back\r\nhitk menu\r\n"_ba);
    }

    void heldKeySendsEachRepeat()
    {
        // One event object offered again and again: each offer is a key-down of its own,
        // whether the widget takes the key or lets it travel up.
        QKeyEvent seven(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, u"7"_s, true);
        QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        for (int i = 0; i < 3; ++i)
            QApplication::sendEvent(focusOn(u"txt_chan"_s), &seven);
        for (int i = 0; i < 3; ++i)
            QApplication::sendEvent(focusOn(focusButton), &up);
        QCOMPARE(sent(), "hitk 7\r\n"_ba.repeated(3) + "hitk up\r\n"_ba.repeated(3));
        QCOMPARE(h->box(u"txt_chan"_s)->text(), u"3777"_s);
    }

    void offlineKeysOnlyReachTheWidget();

    void digitRowByPosition_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<quint32>("xKeycode");
        QTest::addColumn<int>("code");
        const Qt::KeyboardModifiers none, shift = Qt::ShiftModifier, keypad = Qt::KeypadModifier;
        // clang-format off
        QTest::newRow("Shift+1 named ! in the US") << int(Qt::Key_Exclam) << shift << 10u << 49;
        QTest::newRow("0 named a-grave in France") << int(Qt::Key_Agrave) << none << 19u << 48;
        QTest::newRow("keypad 1 stays a keypad key") << int(Qt::Key_1) << keypad << 87u << 97;
        QTest::newRow("letter Q below the digit row") << int(Qt::Key_Q) << none << 24u << 81;
        QTest::newRow("synthesized Shift+5, no keycode") << int(Qt::Key_5) << shift << 0u << 53;
        // clang-format on
    }
    void digitRowByPosition()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(quint32, xKeycode);
        QFETCH(int, code);
        const QKeyEvent press(QEvent::KeyPress, key, modifiers, xKeycode, 0, 0);
        QCOMPARE(Keyboard::keyCode(press, Keyboard::PhysicalKeys::XKeycodes), code);
    }

private:
    QWidget *focusOn(const QString &name)
    {
        auto *widget = h->window().findChild<QWidget *>(name);
        widget->setFocus();
        return QApplication::focusWidget() == widget ? widget : nullptr;
    }
    // What the keys sent since init().
    QByteArray sent() { return h->wireBeforeMarker(0).mid(alreadySent); }

    std::unique_ptr<HandsetHarness> h;
    qsizetype alreadySent = 0;
};

void tst_keyboard::offlineKeysOnlyReachTheWidget()
{
    HandsetHarness offline;
    offline.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&offline.window()));
    QLineEdit *ip = offline.box(u"txt_ip"_s);
    QCOMPARE(QApplication::focusWidget(), ip);

    // Every shortcut, then the recorder's address typed with digits and Backspace: the box
    // takes the keys, and nothing may be sent, now or once a connection is up.
    for (const Press &press : keys())
        QTest::keyClick(ip, press.key, press.modifiers);
    ip->selectAll();
    QTest::keyClicks(ip, u"127.0.0.12"_s);
    QTest::keyClick(ip, Qt::Key_Backspace);
    QCOMPARE(ip->text(), u"127.0.0.1"_s);

    QCOMPARE(offline.connectWindow(), 0);
    QTest::keyClick(ip, Qt::Key_F2);
    QCOMPARE(offline.wireBeforeMarker(0), "hitk green\r\n"_ba);
    // The connected window beside it took none of these keys for its own.
    QCOMPARE(sent(), QByteArray());
}

QTEST_MAIN(tst_keyboard)
#include "tst_keyboard.moc"
