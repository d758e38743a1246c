// SPDX-License-Identifier: GPL-2.0-or-later
// The settings rules as tables: how one file reads, and which file is read.
#include "mod_fileio.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A zappomatic.ini whose ip is `value`; a null value places nothing, "/" a folder of that name.
static bool place(const QString &folder, const QByteArray &value)
{
    QFile file(folder + u"/zappomatic.ini"_s);
    if (value.isNull() || value == "/")
        return value.isNull() || QDir().mkpath(file.fileName());
    return QDir().mkpath(folder) && file.open(QIODevice::WriteOnly)
        && file.write("[server]\nip=" + value + '\n') > 0;
}

class tst_Settings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reader_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("ip");
        const auto row = [](const char *tag, const QByteArray &content, const QByteArray &ip) {
            QTest::newRow(tag) << content << QString::fromUtf8(ip);
        };
        const QByteArray s = "[server]\nip=", a(248, 'a');

        row("names in any case, value case kept", "[SERVER]\nIP=VDR.Local", "VDR.Local");
        row("blanks dropped, split at the first =", "[server]\n ip =\t tv=1 \t\n", "tv=1");
        row("250 characters after blanks lose the last", s + "   " + a + "bz", a + "b");
        row("cut never splits a character", s + a + "\xF0\x9F\x93\xBA", a);
        row("key before any section, no other", "ip=vdr\n[servers]\nip=x\n", nullptr);
        row("server after another section", "[other]\nip=x\n[server]\nip=vdr\n", "vdr");
        row("key only in the next section", "[server]\nport=1\n[other]\nip=vdr\n", nullptr);
        row("repeated section not read", "[server]\nport=1\n[x]\n[server]\nip=vdr\n", nullptr);
        row("first of a repeated key wins", s + "1\nip=2\n", "1");
        row("indented section with a remark", "  [ server ] ; vdr\n\tip=[::1]\n", "[::1]");
        row("unclosed bracket opens no section", "[server\nip=vdr\n", nullptr);
        row("comments, stray lines, longer keys", "[server]\nipv4=1\n;ip=2\n# ip=3\nip\n\nip=4",
            "4");
        row("double quotes dropped, blanks inside kept", s + "\" v \"", " v ");
        row("single quotes dropped", s + "'vdr'", "vdr");
        row("BOM, UTF-8, CR LF, lone CR", "\357\273\277[server]\r\nx=1\rip=k\303\274che\r\n",
            "küche");
        row("invalid byte replaced", s + "k\374che", "k\uFFFDche");
    }

    void reader()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, ip);
        QCOMPARE(mod_fileio::valueInText(content, u"server", u"ip"), ip);
    }

    void lookup_data()
    {
        // The ip in the file beside the program, in the user's and in the system's config folder.
        QTest::addColumn<bool>("programFolder");
        QTest::addColumn<QByteArrayList>("files");
        QTest::addColumn<QString>("ip");
        const auto row
            = [](const char *tag, bool own, const QByteArrayList &files, const char *ip) {
                  QTest::newRow(tag) << own << files << QString::fromUtf8(ip);
              };

        row("beside only", false, {"b", {}, {}}, "b");
        row("user only", false, {{}, "u", {}}, "u");
        row("system only", false, {{}, {}, "s"}, "s");
        row("beside wins over user", false, {"b", "u", "s"}, "b");
        row("user wins over system", false, {{}, "u", "s"}, "u");
        row("none gives the defaults", false, {{}, {}, {}}, nullptr);
        row("beside without the key hides the user's", false, {"", "u", {}}, nullptr);
        row("folder named like the file is none", false, {"/", "u", {}}, "u");
        row("oversized beside is none", false, {"big" + QByteArray(1 << 20, ' '), "u", {}},
            nullptr);
        row("program's own folder", true, {"b", "u", {}}, "b");
    }

    void lookup()
    {
        QFETCH(bool, programFolder);
        QFETCH(QByteArrayList, files);
        QFETCH(QString, ip);
        QTemporaryDir root;
        const QString dir = root.path(), own = QCoreApplication::applicationDirPath();
        const QString folder = programFolder ? own : dir + u"/bin"_s;
        const QStringList folders
            = {folder, dir + u"/home/zappomatic"_s, dir + u"/etc/zappomatic"_s};
        // The program's folder is the test's build folder, and the working folder goes with root:
        // each row leaves both as it found them.
        const auto restore = qScopeGuard([own, working = QDir::currentPath()] {
            QFile::remove(own + u"/zappomatic.ini"_s);
            QDir::setCurrent(working);
        });
        for (qsizetype i = 0; i < folders.size(); ++i)
            QVERIFY(place(folders[i], files[i]));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir + u"/home"_s));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir + u"/none:"_s + dir + u"/etc"_s));
        // A file in the working folder is never the program's.
        QVERIFY(place(dir, "working") && QDir::setCurrent(dir));

        QCOMPARE(mod_fileio::get_setting(u"server"_s, u"ip"_s, programFolder ? QString() : folder),
                 ip);
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
