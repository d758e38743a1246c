// SPDX-License-Identifier: GPL-2.0-or-later
// The rules that turn text into numbers, lines and decisions, without a window or a socket.
#include "command_lines.h"
#include "connection_cause.h"
#include "keep_alive.h"
#include "number_rules.h"
#include "recorder_charset.h"
#include "reply_lines.h"

#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;

constexpr double inf = std::numeric_limits<double>::infinity();

class tst_rules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lenientNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("letters after the number") << u"2001x"_s << 2001.0;
        QTest::newRow("no leading number") << u"abc"_s << 0.0;
        QTest::newRow("blanks, tab and line feed anywhere") << u"\t-\n1 2 "_s << -12.0;
        QTest::newRow("D exponent with a blank") << u"2.5D -1"_s << 0.25;
        QTest::newRow("exponent sign without digits") << u"1e+"_s << 1.0;
        QTest::newRow("negative far beyond double") << u"-1e400"_s << -inf;
    }
    void lenientNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Numbers::lenientNumber(text), expected);
    }

    void channelLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // null: nothing is sent
        QTest::newRow("blanks around and leading zeros") << u" 007\t"_s << u"chan 7\r\n"_s;
        QTest::newRow("whole with point") << u"12.0"_s << u"chan 12\r\n"_s;
        QTest::newRow("negative") << u"-3"_s << u"chan -3\r\n"_s;
        QTest::newRow("negative zero") << u"-0"_s << u"chan 0\r\n"_s;
        QTest::newRow("signed exponent") << u"+25E-1"_s << u"chan 2.5\r\n"_s;
        QTest::newRow("fraction cut at 15 digits")
            << u"0.1234567890123456"_s << u"chan 0.123456789012346\r\n"_s;
        QTest::newRow("1e15 gets an exponent") << u"1000000000000000"_s << u"chan 1e+15\r\n"_s;
        QTest::newRow("blank inside") << u"1 2"_s << QString();
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

    void negativeZeroIsWrittenAsZero() { QCOMPARE(Numbers::shortestDecimal(-0.0), u"0"_s); }

    void messageLine_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty keeps the blank") << QString() << u"mesg \r\n"_s;
        QTest::newRow("line breaks cannot start a command")
            << u"a\r\nquit\nb"_s << u"mesg a  quit b\r\n"_s;
        QTest::newRow("tab NUL and DEL become blanks")
            << QString(u"a\tb"_s + QChar(0) + u"c\x7f"_s) << u"mesg a b c \r\n"_s;
    }
    void messageLine()
    {
        QFETCH(QString, message);
        QFETCH(QString, expected);
        QCOMPARE(Svdrp::messageLine(message), expected);
    }

    // The recorder's first line: whether the connection is up, and whether it is kept alive.
    void firstLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<ConnectionCause>("cause");
        QTest::addColumn<bool>("keepAlive");
        QTest::addColumn<QString>("host");
        const QByteArray date = "; Mon Dec  7 19:18:03 2026; UTF-8\r\n";
        const QByteArray vdr = "220 vdr SVDRP VideoDiskRecorder ";
        const auto row = [](const char *tag, const QByteArray &line, ConnectionCause cause,
                            bool keepAlive, const char *host) {
            QTest::newRow(tag) << line << cause << keepAlive << QString::fromLatin1(host);
        };
        const auto up = ConnectionCause::None, notAVdr = ConnectionCause::NotAVdr;
        row("2.4.0", vdr + "2.4.0" + date, up, true, "vdr");
        row("2.3.9", vdr + "2.3.9" + date, up, false, "vdr");
        row("1.7.42", vdr + "1.7.42" + date, up, false, "vdr");
        row("mail server's 220 greeting", "220 mail.example ESMTP Postfix 2.6.1" + date, notAVdr,
            false, "mail.example");
        row("VDR naming no version", "220 vm SVDRP VideoDiskRecorder" + date, up, false, "vm");
        row("access denied, bare LF", "Access denied!\n", ConnectionCause::AccessDenied, false, "");
        row("220 without its blank", "220-vdr SVDRP\r\n", notAVdr, false, "");
        row("220 and one blank", "220 ", notAVdr, false, "");
    }
    void firstLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(ConnectionCause, cause);
        QFETCH(bool, keepAlive);
        QFETCH(QString, host);
        QCOMPARE(firstLineCause(line), cause);
        const Greeting greeting = Greeting::parse(line);
        QCOMPARE(KeepAlive::recorderAllows(greeting), keepAlive);
        QCOMPARE(QString::fromLatin1(greeting.host), host);
    }

    // Text to the recorder and back in the set its greeting names; a set of no use means UTF-8.
    void charset_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text"); // null: bytes are only read
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("read");
        const auto row = [](const char *tag, const char *name, const char16_t *text,
                            const QByteArray &bytes, const char16_t *read) {
            QTest::newRow(tag) << QByteArray(name) << (text ? QString::fromUtf16(text) : QString())
                               << bytes << QString::fromUtf16(read);
        };
        row("Latin-9", "ISO-8859-15", u"Grüße €", "Gr\374\337e \244", u"Grüße €");
        row("beyond the set as ?", "iso-8859-15", u"ř😀 a", "?? a", u"?? a");
        row("unknown set", "X-KLINGON", u"ü", "\xc3\xbc", u"ü");
        row("suffix that would change the rules", "ISO-8859-1//TRANSLIT", u"€", "\xe2\x82\xac",
            u"€");
        row("set that changes ASCII", "UTF-16", u"ü\r\n", "\xc3\xbc\r\n", u"ü\r\n");
        row("UTF-8: invalid byte, cut character", "UTF-8", nullptr, "a\xff\xc3", u"a\uFFFD");
        row("EUC-JP: invalid byte, cut character", "EUC-JP", nullptr, "a\xff\xc6\xfc\xcb",
            u"a\uFFFD日");
    }
    void charset()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, read);
        RecorderCharset charset(name);
        QByteArray sent;
        charset.encode(text, sent);
        if (!text.isNull())
            QCOMPARE(sent, bytes);
        QCOMPARE(charset.decode(bytes), read);
    }

    // Replies as they arrive in pieces, cut into lines of at most 1000 bytes, each line read as
    // its code, "-" if more lines of the reply follow or " " if it is the last, and its words.
    void replyLines_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QByteArrayList>("lines");
        const QByteArray x(600, 'x'), cut = "250 " + x + x.first(396);
        QTest::newRow("one line in pieces")
            << QByteArrayList {"25", "0 Key \"ok\" acc", "epted\r", "\n"}
            << QByteArrayList {"250 Key \"ok\" accepted"};
        QTest::newRow("several in one piece, bare LF, unfinished")
            << QByteArrayList {"214-a\r\n214 b\n250\r\n2500 x\r\n25x y\r\n250 c"}
            << QByteArrayList {"214-a", "214 b", "250 ", "0-", "0-"};
        QTest::newRow("overlong across pieces")
            << QByteArrayList {"250 " + x, x + "\r\n"} << QByteArrayList {cut};
    }
    void replyLines()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QByteArrayList, lines);
        ReplyLines reader;
        QByteArrayList read;
        for (const QByteArray &piece : pieces) {
            reader.feed(piece, [&read](QByteArrayView line) {
                const ReplyLines::Line reply = ReplyLines::parse(line);
                read.append(QByteArray::number(reply.code) + (reply.last ? " " : "-")
                            + reply.text.toByteArray());
            });
        }
        QCOMPARE(read, lines);
    }

    void keepAliveSetting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds");
        QTest::newRow("missing or empty") << QString() << 60;
        QTest::newRow("unreadable") << u"often"_s << 60;
        QTest::newRow("zero turns it off") << u"0"_s << 0;
        QTest::newRow("plain") << u" 30 "_s << 30;
        QTest::newRow("negative clamped up") << u"-5"_s << 1;
        QTest::newRow("clamped down") << u"99999"_s << 3600;
    }
    void keepAliveSetting()
    {
        QFETCH(QString, text);
        QFETCH(int, seconds);
        QCOMPARE(KeepAlive::intervalFromSetting(text).count(), seconds);
    }
};

QTEST_APPLESS_MAIN(tst_rules)
#include "tst_rules.moc"
