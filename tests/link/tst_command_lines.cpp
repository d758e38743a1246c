#include "command_lines.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Svdrp::Key;

class tst_command_lines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyLine_data()
    {
        QTest::addColumn<Key>("key");
        QTest::addColumn<QString>("expected");
        // clang-format off
        const std::pair<Key, const char *> keys[] = {
            {Key::Up, "hitk up"}, {Key::Down, "hitk down"}, {Key::Left, "hitk left"},
            {Key::Right, "hitk right"}, {Key::Ok, "hitk ok"}, {Key::Back, "hitk back"},
            {Key::Menu, "hitk menu"}, {Key::Red, "hitk red"}, {Key::Green, "hitk green"},
            {Key::Yellow, "hitk yellow"}, {Key::Blue, "hitk blue"}, {Key::Mute, "hitk mute"},
            {Key::VolumePlus, "hitk volume+"}, {Key::VolumeMinus, "hitk volume-"},
            {Key::ChannelPlus, "chan +"}, {Key::ChannelMinus, "chan -"}};
        // clang-format on
        for (const auto &[key, text] : keys)
            QTest::newRow(text) << key << QString::fromLatin1(text) + u"\r\n"_s;
        QTest::newRow("value outside the enum") << static_cast<Key>(99) << QString();
    }
    void keyLine()
    {
        QFETCH(Key, key);
        QFETCH(QString, expected);
        QCOMPARE(Svdrp::keyLine(key), expected);
    }

    void digitLine_data()
    {
        QTest::addColumn<int>("digit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero not padded") << 0 << u"hitk 0\r\n"_s;
        QTest::newRow("nine") << 9 << u"hitk 9\r\n"_s;
        QTest::newRow("ten sends nothing") << 10 << QString();
        QTest::newRow("negative sends nothing") << -1 << QString();
    }
    void digitLine()
    {
        QFETCH(int, digit);
        QFETCH(QString, expected);
        QCOMPARE(Svdrp::digitLine(digit), expected);
    }

    void channelLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: nothing is sent
        QTest::newRow("plain") << u"3"_s << u"chan 3\r\n"_s;
        QTest::newRow("blanks around") << u" 12\t"_s << u"chan 12\r\n"_s;
        QTest::newRow("leading zeros") << u"007"_s << u"chan 7\r\n"_s;
        QTest::newRow("whole with point") << u"12.0"_s << u"chan 12\r\n"_s;
        QTest::newRow("exponent") << u"1e2"_s << u"chan 100\r\n"_s;
        QTest::newRow("negative") << u"-3"_s << u"chan -3\r\n"_s;
        QTest::newRow("fraction") << u"2.5"_s << u"chan 2.5\r\n"_s;
        QTest::newRow("point first") << u".5"_s << u"chan 0.5\r\n"_s;
        QTest::newRow("negative zero") << u"-0"_s << u"chan 0\r\n"_s;
        QTest::newRow("signed exponent") << u"+25E-1"_s << u"chan 2.5\r\n"_s;
        QTest::newRow("301 digits")
            << QString(u"1"_s + u"0"_s.repeated(300)) << u"chan 1e+300\r\n"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("only blanks") << u"   "_s << QString();
        QTest::newRow("letters") << u"abc"_s << QString();
        QTest::newRow("letters after") << u"12abc"_s << QString();
        QTest::newRow("blank inside") << u"1 2"_s << QString();
        QTest::newRow("two points") << u"1.2.3"_s << QString();
        QTest::newRow("lone sign") << u"-"_s << QString();
        QTest::newRow("lone point") << u"."_s << QString();
        QTest::newRow("exponent without digits") << u"1e"_s << QString();
        QTest::newRow("D exponent") << u"1d2"_s << QString();
        QTest::newRow("decimal comma") << u"2,5"_s << QString();
        QTest::newRow("hexadecimal") << u"&H1F"_s << QString();
        QTest::newRow("line break after") << u"12\r\n"_s << QString();
        QTest::newRow("beyond double") << u"1e309"_s << QString();
    }
    void channelLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const std::optional<QString> line = Svdrp::channelLine(text);
        QCOMPARE(line.has_value(), !expected.isNull());
        if (line)
            QCOMPARE(*line, expected);
    }

    void messageLine_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty keeps the blank") << QString() << u"mesg \r\n"_s;
        QTest::newRow("blanks not trimmed") << u" hi "_s << u"mesg  hi \r\n"_s;
        QTest::newRow("umlauts kept") << u"Grüße"_s << u"mesg Grüße\r\n"_s;
        QTest::newRow("pasted command") << u"Hi\r\nDELR 1"_s << u"mesg Hi  DELR 1\r\n"_s;
        QTest::newRow("tab NUL and DEL")
            << QString(u"a\tb"_s + QChar(0) + u"c\x7f"_s) << u"mesg a b c \r\n"_s;
    }
    void messageLine()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(Svdrp::messageLine(message), expected);
    }
};

QTEST_APPLESS_MAIN(tst_command_lines)
#include "tst_command_lines.moc"
