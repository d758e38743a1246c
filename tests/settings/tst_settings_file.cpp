#include "mod_fileio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(content) == content.size();
}

} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void with_backslash_data();
    void with_backslash();
    void valueInText_data();
    void valueInText();
    void unreadableFileGivesEmptyText();
    void get_settingReadsTheProgramFolderAnew();
};

void tst_SettingsFile::with_backslash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty path gives the separator alone") << QString() << u"/"_s;
    QTest::newRow("folder gets one separator") << u"/home/jörg/my tv"_s << u"/home/jörg/my tv/"_s;
    QTest::newRow("folder ending in separator is unchanged") << u"/opt/"_s << u"/opt/"_s;
    QTest::newRow("trailing backslash is not a separator here") << u"C:\\"_s << u"C:\\/"_s;
}

void tst_SettingsFile::with_backslash()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(mod_fileio::with_backslash(path), expected);
}

void tst_SettingsFile::valueInText_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const auto row
        = [](const char *tag, const QByteArray &content, const char *key, const QString &expected) {
              QTest::newRow(tag) << content << QString::fromLatin1(key) << expected;
          };
    const QByteArray plain = "[server]\nip=vdr.local\nport=2001\n";
    const QByteArray a249(249, 'a');

    row("key from a plain server section", plain, "port", u"2001"_s);
    row("missing key", plain, "host", {});
    row("missing section", "[other]\nip=vdr\n", "ip", {});
    row("names in other cases, value case kept", "[SERVER]\nIp=VDR.Local\n", "ip", u"VDR.Local"_s);
    row("next section ends the server section", "[server]\nip=vdr\n[other]\nport=1\n", "port", {});
    row("key before any section", "port=2001\n[server]\nip=vdr\n", "port", {});
    row("section name must match whole", "[servers]\nport=2001\n", "port", {});
    row("repeated section is not consulted", "[server]\nip=vdr\n[x]\n[server]\nport=1\n", "port",
        {});
    row("first occurrence of a repeated key wins", "[server]\nport=1\nport=2\n", "port", u"1"_s);
    row("longer key name does not match", "[server]\nipaddr=10.0.0.1\n", "ip", {});
    row("indented section with blanks and a remark", "  [ server ] ; vdr\n\tport=2001\n", "port",
        u"2001"_s);
    row("unclosed bracket opens no section", "[server\nport=2001\n", "port", {});
    row("only blanks after the equals sign", "[server]\nport=  \t \n", "port", {});
    row("blanks around key and value dropped", "[server]\n port =\t 2001 \t\n", "port", u"2001"_s);
    row("blanks and equals sign inside kept", "[server]\nip=living room=tv\n", "ip",
        u"living room=tv"_s);
    row("double quotes dropped, blanks inside kept", "[server]\nip=\" vdr \"\n", "ip", u" vdr "_s);
    row("single quotes dropped", "[server]\nip='vdr'\n", "ip", u"vdr"_s);
    row("mixed quotes kept", "[server]\nip=\"vdr'\n", "ip", u"\"vdr'"_s);
    row("a lone quote kept", "[server]\nip=\"\n", "ip", u"\""_s);
    row("value of exactly 249 characters kept whole", "[server]\nip=" + a249 + '\n', "ip",
        QString::fromLatin1(a249));
    row("250 characters after blanks lose the last", "[server]\nip=    " + a249 + "z\n", "ip",
        QString::fromLatin1(a249));
    row("cut never splits a character outside the basic plane",
        "[server]\nip=" + a249.first(248) + "\xF0\x9F\x93\xBAz\n", "ip",
        QString::fromLatin1(a249.first(248)));
    row("comments, stray and blank lines skipped", "[server]\n;port=1\n# port=2\nport\n\nport=3\n",
        "port", u"3"_s);
    row("commented section line opens no section", ";[server]\nport=2001\n", "port", {});
    row("Windows line endings", "[server]\r\nip=vdr\r\nport=2001\r\n", "port", u"2001"_s);
    row("old Mac line endings, none at the end", "[server]\rip=vdr\rport=2001", "port", u"2001"_s);
    row("byte order mark and UTF-8",
        "\xEF\xBB\xBF[server]\nip=k\xC3\xBC"
        "che\n",
        "ip", u"küche"_s);
    row("invalid UTF-8 byte replaced",
        "[server]\nip=k\xFC"
        "che\n",
        "ip", u"k\uFFFDche"_s);
    row("UTF-8 sequence cut off at the end replaced", "[server]\nip=k\xC3", "ip", u"k\uFFFD"_s);
}

void tst_SettingsFile::valueInText()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(mod_fileio::valueInText(content, u"server", key), expected);
}

void tst_SettingsFile::unreadableFileGivesEmptyText()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"folder.ini"_s));
    for (const QString &path :
         {dir.filePath(u"missing.ini"_s), dir.filePath(u"folder.ini"_s), QString()})
        QVERIFY2(mod_fileio::valueInFile(path, u"server", u"ip").isEmpty(), qPrintable(path));
}

void tst_SettingsFile::get_settingReadsTheProgramFolderAnew()
{
    const QString programIni
        = QDir(QCoreApplication::applicationDirPath()).filePath(u"zappomatic.ini"_s);
    QFile::remove(programIni); // left behind by an interrupted run
    const auto ip = [] {
        return mod_fileio::get_setting(u"server"_s, u"ip"_s);
    };

    // A file in the working folder is not the program's.
    QTemporaryDir working;
    QVERIFY(writeFile(working.filePath(u"zappomatic.ini"_s), "[server]\nip=working\n"));
    const QString startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(working.path()));
    const QString none = ip();

    const bool written = writeFile(programIni, "[server]\nip=first\n");
    const QString first = ip();
    const bool rewritten = writeFile(programIni, "[server]\nip=second\n");
    const QString second = ip();
    QFile::remove(programIni);
    QDir::setCurrent(startDir);

    QVERIFY2(written && rewritten, qPrintable(programIni));
    QCOMPARE(none, QString());
    QCOMPARE(first, u"first"_s);
    QCOMPARE(second, u"second"_s);
    QCOMPARE(ip(), QString());
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settings_file.moc"
