#include "mod_fileio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void with_backslash_data();
    void with_backslash();

    void valueInText_data();
    void valueInText();

    void valueInFile_unreadable_data();
    void valueInFile_unreadable();
    void valueInFile_readsAnewEachCall();

    void get_setting_data();
    void get_setting();
    void get_setting_readsAnewEachCall();

private:
    QString m_programIni;
    QString m_startDir;
};

void tst_SettingsFile::initTestCase()
{
    m_programIni = QDir(QCoreApplication::applicationDirPath()).filePath(u"zappomatic.ini"_s);
    m_startDir = QDir::currentPath();
    // A file left behind by an interrupted run would change what get_setting finds.
    QFile::remove(m_programIni);
    QVERIFY2(!QFileInfo::exists(m_programIni), qPrintable(m_programIni));
}

void tst_SettingsFile::cleanup()
{
    QFile::remove(m_programIni);
    QDir::setCurrent(m_startDir);
}

void tst_SettingsFile::with_backslash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty path gives the separator alone") << QString() << u"/"_s;
    QTest::newRow("root folder gets no second separator") << u"/"_s << u"/"_s;
    QTest::newRow("drive root as Qt spells it gets no second separator") << u"C:/"_s << u"C:/"_s;
    QTest::newRow("plain folder gets one separator")
        << u"/opt/zappomatic"_s << u"/opt/zappomatic/"_s;
    QTest::newRow("folder ending in separator is unchanged")
        << u"/opt/zappomatic/"_s << u"/opt/zappomatic/"_s;
    QTest::newRow("folder ending in two separators is unchanged") << u"/opt//"_s << u"/opt//"_s;
    QTest::newRow("relative folder gets one separator") << u"bin"_s << u"bin/"_s;
    QTest::newRow("folder with blanks and umlauts keeps them")
        << u"/home/jörg/my tv"_s << u"/home/jörg/my tv/"_s;
    QTest::newRow("trailing backslash is not a separator here") << u"C:\\"_s << u"C:\\/"_s;
}

void tst_SettingsFile::with_backslash()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);

    const QString before = path;
    QCOMPARE(mod_fileio::with_backslash(path), expected);
    QCOMPARE(path, before);
}

void tst_SettingsFile::valueInText_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray plain = "[server]\nip=vdr.local\nport=2001\n";
    QTest::newRow("ip from a plain server section")
        << plain << u"server"_s << u"ip"_s << u"vdr.local"_s;
    QTest::newRow("port from a plain server section")
        << plain << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("missing key gives empty text") << plain << u"server"_s << u"host"_s << QString();
    QTest::newRow("missing section gives empty text")
        << QByteArray("[other]\nip=vdr\n") << u"server"_s << u"ip"_s << QString();
    QTest::newRow("empty file gives empty text")
        << QByteArray() << u"server"_s << u"ip"_s << QString();

    // Letter case of names
    QTest::newRow("section with capital S and key in capitals match")
        << QByteArray("[Server]\nPORT=6419\n") << u"server"_s << u"port"_s << u"6419"_s;
    QTest::newRow("section in capitals and key with capital P match")
        << QByteArray("[SERVER]\nPort=2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("letter case of the value is kept")
        << QByteArray("[server]\nip=VDR.Local\n") << u"server"_s << u"ip"_s << u"VDR.Local"_s;

    // Which section a key belongs to
    QTest::newRow("key only in another section is not found")
        << QByteArray("[client]\nport=2001\n[server]\nip=vdr\n") << u"server"_s << u"port"_s
        << QString();
    QTest::newRow("next section ends the server section")
        << QByteArray("[server]\nip=vdr\n[other]\nport=2001\n") << u"server"_s << u"port"_s
        << QString();
    QTest::newRow("key before any section is not found")
        << QByteArray("port=2001\n[server]\nip=vdr\n") << u"server"_s << u"port"_s << QString();
    QTest::newRow("section name must match whole")
        << QByteArray("[servers]\nport=2001\n") << u"server"_s << u"port"_s << QString();
    QTest::newRow("repeated section is not consulted")
        << QByteArray("[server]\nip=vdr\n[other]\nx=1\n[server]\nport=2001\n") << u"server"_s
        << u"port"_s << QString();
    QTest::newRow("first occurrence of a repeated key wins")
        << QByteArray("[server]\nport=2001\nport=6419\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("longer key name does not match")
        << QByteArray("[server]\nipaddr=10.0.0.1\n") << u"server"_s << u"ip"_s << QString();
    QTest::newRow("blanks inside the brackets are ignored")
        << QByteArray("[ server ]\nport=2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("text after the closing bracket is ignored")
        << QByteArray("[server] ; recorder\nport=2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("unclosed bracket opens no section")
        << QByteArray("[server\nport=2001\n") << u"server"_s << u"port"_s << QString();
    QTest::newRow("indented section and key lines are read")
        << QByteArray("  [server]\n\tport=2001\n") << u"server"_s << u"port"_s << u"2001"_s;

    // Empty values and blanks
    QTest::newRow("nothing after the equals sign gives empty text")
        << QByteArray("[server]\nport=\n") << u"server"_s << u"port"_s << QString();
    QTest::newRow("only blanks after the equals sign give empty text")
        << QByteArray("[server]\nport=  \t \n") << u"server"_s << u"port"_s << QString();
    QTest::newRow("blanks around the value are dropped")
        << QByteArray("[server]\nport=   2001   \n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("tabs around the value are dropped")
        << QByteArray("[server]\nport=\t2001\t\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("blanks around the key name are ignored")
        << QByteArray("[server]\n  port  = 2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("blanks inside the value are kept")
        << QByteArray("[server]\nip=living room\n") << u"server"_s << u"ip"_s << u"living room"_s;
    QTest::newRow("equals sign inside the value is kept")
        << QByteArray("[server]\nip=a=b\n") << u"server"_s << u"ip"_s << u"a=b"_s;

    // Quotes
    QTest::newRow("double quotes around the value are dropped")
        << QByteArray("[server]\nip=\"vdr.local\"\n") << u"server"_s << u"ip"_s << u"vdr.local"_s;
    QTest::newRow("single quotes around the value are dropped")
        << QByteArray("[server]\nip='vdr.local'\n") << u"server"_s << u"ip"_s << u"vdr.local"_s;
    QTest::newRow("blanks inside quotes are kept")
        << QByteArray("[server]\nip=\" vdr \"\n") << u"server"_s << u"ip"_s << u" vdr "_s;
    QTest::newRow("unmatched quote is kept")
        << QByteArray("[server]\nip=\"vdr\n") << u"server"_s << u"ip"_s << u"\"vdr"_s;
    QTest::newRow("mixed quotes are kept")
        << QByteArray("[server]\nip=\"vdr'\n") << u"server"_s << u"ip"_s << u"\"vdr'"_s;
    QTest::newRow("a lone quote is kept")
        << QByteArray("[server]\nip=\"\n") << u"server"_s << u"ip"_s << u"\""_s;

    // Length limit
    QTest::newRow("value of 300 characters gives its first 249")
        << QByteArray("[server]\nip=") + QByteArray(249, 'a') + QByteArray(51, 'b') + '\n'
        << u"server"_s << u"ip"_s << QString(249, u'a');
    QTest::newRow("value of exactly 249 characters is kept whole")
        << QByteArray("[server]\nip=") + QByteArray(248, 'a') + "z\n"
        << u"server"_s << u"ip"_s << QString(248, u'a') + u'z';
    QTest::newRow("value of 250 characters loses its last")
        << QByteArray("[server]\nip=") + QByteArray(249, 'a') + "z\n"
        << u"server"_s << u"ip"_s << QString(249, u'a');
    QTest::newRow("leading blanks do not count towards the limit")
        << QByteArray("[server]\nip=") + QByteArray(20, ' ') + QByteArray(249, 'a') + '\n'
        << u"server"_s << u"ip"_s << QString(249, u'a');
    QTest::newRow("cut never splits a character outside the basic plane")
        << QByteArray("[server]\nip=") + QByteArray(248, 'a') + "\xF0\x9F\x93\xBAz\n"
        << u"server"_s << u"ip"_s << QString(248, u'a');

    // Comments and stray lines
    QTest::newRow("semicolon comment line is skipped")
        << QByteArray("[server]\n;port=1\nport=2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("hash comment line is skipped")
        << QByteArray("[server]\n# port=1\nport=2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("commented section line opens no section")
        << QByteArray(";[server]\nport=2001\n") << u"server"_s << u"port"_s << QString();
    QTest::newRow("line without equals sign is skipped")
        << QByteArray("[server]\nport\nport=2001\n") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("blank lines between entries are skipped")
        << QByteArray("\n\n[server]\n\n\nport=2001\n\n") << u"server"_s << u"port"_s << u"2001"_s;

    // Line endings and encodings
    QTest::newRow("Windows line endings") << QByteArray("[server]\r\nip=vdr\r\nport=2001\r\n")
                                          << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("old Mac line endings")
        << QByteArray("[server]\rip=vdr\rport=2001\r") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("no line ending after the last value")
        << QByteArray("[server]\nport=2001") << u"server"_s << u"port"_s << u"2001"_s;
    QTest::newRow("UTF-8 byte order mark before the section")
        << QByteArray("\xEF\xBB\xBF[server]\nip=vdr\n") << u"server"_s << u"ip"_s << u"vdr"_s;
    QTest::newRow("UTF-8 host name") << QByteArray("[server]\nip=k\xC3\xBC"
                                                   "che\n")
                                     << u"server"_s << u"ip"_s << u"küche"_s;
    QTest::newRow("invalid UTF-8 byte is replaced") << QByteArray("[server]\nip=k\xFC"
                                                                  "che\n")
                                                    << u"server"_s << u"ip"_s << u"k\uFFFDche"_s;
    QTest::newRow("UTF-8 sequence cut off at the end is replaced")
        << QByteArray("[server]\nip=k\xC3") << u"server"_s << u"ip"_s << u"k\uFFFD"_s;
    QTest::newRow("NUL bytes and binary noise give empty text")
        << QByteArray("\x00\xFF\xFE\x01[\x00]=\x7F\n\x80\x81", 13) << u"server"_s << u"ip"_s
        << QString();
}

void tst_SettingsFile::valueInText()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString value = mod_fileio::valueInText(content, section, key);
    QCOMPARE(value, expected);
    QVERIFY(value.size() <= 249);
}

void tst_SettingsFile::valueInFile_unreadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asDirectory");

    QTest::newRow("missing file gives empty text") << u"zappomatic.ini"_s << false;
    QTest::newRow("folder in place of the file gives empty text") << u"zappomatic.ini"_s << true;
    QTest::newRow("empty path gives empty text") << QString() << false;
}

void tst_SettingsFile::valueInFile_unreadable()
{
    QFETCH(QString, name);
    QFETCH(bool, asDirectory);

    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    if (asDirectory)
        QVERIFY(QDir(dir.path()).mkdir(name));

    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    QCOMPARE(mod_fileio::valueInFile(path, u"server", u"ip"), QString());
    QCOMPARE(mod_fileio::valueInFile(path, u"server", u"port"), QString());
}

void tst_SettingsFile::valueInFile_readsAnewEachCall()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString path = dir.filePath(u"zappomatic.ini"_s);

    QVERIFY(writeFile(path, "[server]\nport=2001\n"));
    QCOMPARE(mod_fileio::valueInFile(path, u"server", u"port"), u"2001"_s);

    QVERIFY(writeFile(path, "[server]\nport=6419\n"));
    QCOMPARE(mod_fileio::valueInFile(path, u"server", u"port"), u"6419"_s);

    QVERIFY(QFile::remove(path));
    QCOMPARE(mod_fileio::valueInFile(path, u"server", u"port"), QString());
}

void tst_SettingsFile::get_setting_data()
{
    QTest::addColumn<QByteArray>("programFolderFile");
    QTest::addColumn<QByteArray>("workingFolderFile");
    QTest::addColumn<QString>("expectedIp");
    QTest::addColumn<QString>("expectedPort");

    const QByteArray program = "[server]\nip=from-program-folder\nport=6419\n";
    const QByteArray working = "[server]\nip=from-working-folder\nport=7000\n";

    QTest::newRow("no file anywhere gives empty text for both keys")
        << QByteArray() << QByteArray() << QString() << QString();
    QTest::newRow("file in the program folder is read")
        << program << QByteArray() << u"from-program-folder"_s << u"6419"_s;
    QTest::newRow("file only in the working folder is not read")
        << QByteArray() << working << QString() << QString();
    QTest::newRow("program folder wins over the working folder")
        << program << working << u"from-program-folder"_s << u"6419"_s;
    QTest::newRow("file with only the host gives empty port")
        << QByteArray("[SERVER]\nIP=vdr\n") << QByteArray() << u"vdr"_s << QString();
}

void tst_SettingsFile::get_setting()
{
    QFETCH(QByteArray, programFolderFile);
    QFETCH(QByteArray, workingFolderFile);
    QFETCH(QString, expectedIp);
    QFETCH(QString, expectedPort);

    if (!programFolderFile.isEmpty())
        QVERIFY2(writeFile(m_programIni, programFolderFile), qPrintable(m_programIni));

    QTemporaryDir workingDir;
    QVERIFY2(workingDir.isValid(), qPrintable(workingDir.errorString()));
    if (!workingFolderFile.isEmpty())
        QVERIFY(writeFile(workingDir.filePath(u"zappomatic.ini"_s), workingFolderFile));
    QVERIFY(QDir::setCurrent(workingDir.path()));

    const QString section = u"server"_s;
    const QString ipKey = u"ip"_s;
    const QString portKey = u"port"_s;
    QCOMPARE(mod_fileio::get_setting(section, ipKey), expectedIp);
    QCOMPARE(mod_fileio::get_setting(section, portKey), expectedPort);
    // The names are taken by reference and must come back untouched.
    QCOMPARE(section, u"server"_s);
    QCOMPARE(ipKey, u"ip"_s);
    QCOMPARE(portKey, u"port"_s);
}

void tst_SettingsFile::get_setting_readsAnewEachCall()
{
    QVERIFY(writeFile(m_programIni, "[server]\nip=first\n"));
    QCOMPARE(mod_fileio::get_setting(u"server"_s, u"ip"_s), u"first"_s);

    QVERIFY(writeFile(m_programIni, "[server]\nip=second\n"));
    QCOMPARE(mod_fileio::get_setting(u"server"_s, u"ip"_s), u"second"_s);

    QVERIFY(QFile::remove(m_programIni));
    QCOMPARE(mod_fileio::get_setting(u"server"_s, u"ip"_s), QString());
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settings_file.moc"
