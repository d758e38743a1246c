// The lines behind the buttons; which button sends which line is tested on the wire.
#include "command_lines.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_command_lines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outOfRangeSendsNothing()
    {
        // An empty line rather than a bare CR LF or a different key.
        QCOMPARE(Svdrp::keyLine(static_cast<Svdrp::Key>(99)), QString());
        QCOMPARE(Svdrp::digitLine(10), QString());
        QCOMPARE(Svdrp::digitLine(-1), QString());
    }

    void channelLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: nothing is sent
        QTest::newRow("blanks around and leading zeros") << u" 007\t"_s << u"chan 7\r\n"_s;
        QTest::newRow("whole with point") << u"12.0"_s << u"chan 12\r\n"_s;
        QTest::newRow("negative") << u"-3"_s << u"chan -3\r\n"_s;
        QTest::newRow("negative zero") << u"-0"_s << u"chan 0\r\n"_s;
        QTest::newRow("point first") << u".5"_s << u"chan 0.5\r\n"_s;
        QTest::newRow("signed exponent") << u"+25E-1"_s << u"chan 2.5\r\n"_s;
        QTest::newRow("301 digits")
            << QString(u"1"_s + u"0"_s.repeated(300)) << u"chan 1e+300\r\n"_s;
        QTest::newRow("only blanks") << u"   "_s << QString();
        QTest::newRow("letters after") << u"12abc"_s << QString();
        QTest::newRow("blank inside") << u"1 2"_s << QString();
        QTest::newRow("two points") << u"1.2.3"_s << QString();
        QTest::newRow("lone point") << u"."_s << QString();
        QTest::newRow("exponent without digits") << u"1e"_s << QString();
        QTest::newRow("D exponent") << u"1d2"_s << QString();
        QTest::newRow("line break after") << u"12\r\n"_s << QString();
        QTest::newRow("beyond double") << u"1e309"_s << QString();
    }
    void channelLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Svdrp::channelLine(text).value_or(QString()), expected);
        QCOMPARE(Svdrp::channelLine(text).has_value(), !expected.isNull());
    }

    void messageLine_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty keeps the blank") << QString() << u"mesg \r\n"_s;
        QTest::newRow("blanks not trimmed") << u" hi "_s << u"mesg  hi \r\n"_s;
        QTest::newRow("tab NUL and DEL become blanks")
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
