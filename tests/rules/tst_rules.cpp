// SPDX-License-Identifier: GPL-2.0-or-later
// The rules that turn text into numbers, lines and decisions, without a window or a socket.
#include "command_lines.h"
#include "connection_cause.h"
#include "keep_alive.h"
#include "number_rules.h"
#include "recorder_charset.h"
#include "reply_lines.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The recorder's first line, the connection's cause, whether it is kept alive, and the host.
using FirstLine = std::tuple<QByteArray, ConnectionCause, bool, QString>;
// A set's name, text (null: bytes are only read), the bytes it becomes and those read back.
using Charset = std::tuple<QByteArray, QString, QByteArray, QString>;

class tst_rules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Text through one of the rules that read it: the lenient number reading (as the settings
    // use it), the channel box's line (null: nothing is sent), the message box's line and the
    // keep-alive setting in seconds.
    void textRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        const auto row
            = [](const char *rule, const char *tag, const QString &text, const QString &result) {
                  QTest::addRow("%s: %s", rule, tag) << QString::fromLatin1(rule) << text << result;
              };
        row("number", "letters after the number", u"2001x"_s, u"2001"_s);
        row("number", "no leading number", u"abc"_s, u"0"_s);
        row("number", "blanks, tab and line feed anywhere", u"\t-\n1 2 "_s, u"-12"_s);
        row("number", "D exponent with a blank", u"2.5D -1"_s, u"0.25"_s);
        row("number", "exponent sign without digits", u"1e+"_s, u"1"_s);
        row("number", "negative far beyond double", u"-1e400"_s, u"-inf"_s);
        row("chan", "blanks around and leading zeros", u" 007\t"_s, u"chan 7\r\n"_s);
        row("chan", "whole with point", u"12.0"_s, u"chan 12\r\n"_s);
        row("chan", "negative", u"-3"_s, u"chan -3\r\n"_s);
        row("chan", "negative zero", u"-0"_s, u"chan 0\r\n"_s);
        row("chan", "signed exponent", u"+25E-1"_s, u"chan 2.5\r\n"_s);
        row("chan", "fraction cut at 15 digits", u"0.1234567890123456"_s,
            u"chan 0.123456789012346\r\n"_s);
        row("chan", "1e15 gets an exponent", u"1000000000000000"_s, u"chan 1e+15\r\n"_s);
        row("chan", "blank inside", u"1 2"_s, QString());
        row("chan", "exponent without digits", u"1e"_s, QString());
        row("chan", "D exponent", u"1d2"_s, QString());
        row("chan", "line break after", u"12\r\n"_s, QString());
        row("chan", "beyond double", u"1e309"_s, QString());
        row("mesg", "empty keeps the blank", QString(), u"mesg \r\n"_s);
        row("mesg", "line breaks cannot start a command", u"a\r\nquit\nb"_s,
            u"mesg a  quit b\r\n"_s);
        row("mesg", "tab NUL and DEL become blanks", u"a\tb"_s + QChar(0) + u"c\x7f"_s,
            u"mesg a b c \r\n"_s);
        row("keepalive", "missing or empty", QString(), u"60"_s);
        row("keepalive", "unreadable", u"often"_s, u"60"_s);
        row("keepalive", "zero turns it off", u"0"_s, u"0"_s);
        row("keepalive", "plain", u" 30 "_s, u"30"_s);
        row("keepalive", "negative clamped up", u"-5"_s, u"1"_s);
        row("keepalive", "clamped down", u"99999"_s, u"3600"_s);
    }
    void textRules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, text);
        QFETCH(QString, result);
        const std::optional<QString> read = rule == u"number"_s
            ? QString::number(Numbers::lenientNumber(text), 'g', 17)
            : rule == u"chan"_s ? Svdrp::channelLine(text)
            : rule == u"mesg"_s ? Svdrp::messageLine(text)
                                : QString::number(KeepAlive::intervalFromSetting(text).count());
        QCOMPARE(read.value_or(QString()), result);
        QCOMPARE(read.has_value(), !result.isNull());
    }

    void negativeZeroIsWrittenAsZero() { QCOMPARE(Numbers::shortestDecimal(-0.0), u"0"_s); }

    // The recorder's first line: whether the connection is up, and whether it is kept alive.
    void firstLine_data()
    {
        QTest::addColumn<FirstLine>("first");
        const QByteArray date = "; Mon Dec  7 19:18:03 2026; UTF-8\r\n";
        const QByteArray vdr = "220 vdr SVDRP VideoDiskRecorder ";
        const auto row = [](const char *tag, const QByteArray &line, ConnectionCause cause,
                            bool keepAlive, const char *host) {
            QTest::newRow(tag) << FirstLine {line, cause, keepAlive, QString::fromLatin1(host)};
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
        QFETCH(FirstLine, first);
        const auto &[line, cause, keepAlive, host] = first;
        QCOMPARE(firstLineCause(line), cause);
        const Greeting greeting = Greeting::parse(line);
        QCOMPARE(KeepAlive::recorderAllows(greeting), keepAlive);
        QCOMPARE(QString::fromLatin1(greeting.host), host);
    }

    // Text to the recorder and back in the set its greeting names; a set of no use means UTF-8.
    void charset_data()
    {
        QTest::addColumn<Charset>("charset");
        const auto row = [](const char *tag, const char *name, const char16_t *text,
                            const QByteArray &bytes, const char16_t *read) {
            QTest::newRow(tag) << Charset {name, text ? QString::fromUtf16(text) : QString(), bytes,
                                           QString::fromUtf16(read)};
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
        QFETCH(Charset, charset);
        const auto &[name, text, bytes, read] = charset;
        RecorderCharset set(name);
        QByteArray sent;
        set.encode(text, sent);
        if (!text.isNull())
            QCOMPARE(sent, bytes);
        QCOMPARE(set.decode(bytes), read);
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
};

QTEST_APPLESS_MAIN(tst_rules)
#include "tst_rules.moc"
