// The Debian package as a user gets it: built with CPack, unpacked into a private root and
// started from there, on the system's Qt.
#include "x_session.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int packageTimeoutMs = 60000;

} // namespace

class tst_package : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void contents_data();
    void contents();
    void dependencies_data();
    void dependencies();
    void desktopEntryIsValid();
    void installedProgramStarts();

private:
    QTemporaryDir work;
    QString package;
    QString root;
    QList<QByteArray> listing;
};

void tst_package::initTestCase()
{
    ZAPPOMATIC_REQUIRE_TOOLS(u"cpack"_s, u"dpkg-deb"_s, u"dpkg-shlibdeps"_s);
    QVERIFY(work.isValid());
    // The package and CPack's staging go to a folder of their own, not the build folder.
    const ToolRun cpack
        = runTool(u"cpack"_s, {u"--config"_s, QStringLiteral(CPACK_CONFIG), u"-B"_s, work.path()},
                  packageTimeoutMs);
    QVERIFY2(cpack.ok, (cpack.output + cpack.errors).constData());
    const QStringList built = QDir(work.path()).entryList({u"*.deb"_s}, QDir::Files);
    QCOMPARE(built.size(), 1);
    package = work.filePath(built.first());

    const ToolRun contents = runTool(u"dpkg-deb"_s, {u"--contents"_s, package}, packageTimeoutMs);
    QVERIFY2(contents.ok, contents.errors.constData());
    listing = contents.output.split('\n');
    root = work.filePath(u"root"_s);
    const ToolRun unpack
        = runTool(u"dpkg-deb"_s, {u"--extract"_s, package, root}, packageTimeoutMs);
    QVERIFY2(unpack.ok, unpack.errors.constData());
}

void tst_package::contents_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("mode");

    QTest::newRow("program, runnable by all") << "./usr/bin/zappomatic"_ba
                                              << "-rwxr-xr-x"_ba;
    QTest::newRow("desktop entry") << "./usr/share/applications/zappomatic.desktop"_ba
                                   << "-rw-r--r--"_ba;
    QTest::newRow("icon where a desktop looks for it")
        << "./usr/share/icons/hicolor/scalable/apps/zappomatic.svg"_ba
        << "-rw-r--r--"_ba;
    QTest::newRow("settings example among the documentation")
        << "./usr/share/doc/zappomatic/zappomatic.ini.example"_ba
        << "-rw-r--r--"_ba;
    QTest::newRow("README among the documentation") << "./usr/share/doc/zappomatic/README.md"_ba
                                                    << "-rw-r--r--"_ba;
}

void tst_package::contents()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, mode);

    const auto entry = std::find_if(listing.cbegin(), listing.cend(), [&](const QByteArray &line) {
        return line.endsWith(' ' + path);
    });
    QVERIFY2(entry != listing.cend(), path.constData());
    QVERIFY2(entry->startsWith(mode), entry->constData());
}

void tst_package::dependencies_data()
{
    QTest::addColumn<QByteArray>("package");

    QTest::newRow("Qt's widgets, found in the program") << "libqt6widgets6"_ba;
    QTest::newRow("Qt's network, found in the program") << "libqt6network6"_ba;
}

void tst_package::dependencies()
{
    QFETCH(QByteArray, package);

    const ToolRun field
        = runTool(u"dpkg-deb"_s, {u"--field"_s, this->package, u"Depends"_s}, packageTimeoutMs);
    QVERIFY2(field.ok, field.errors.constData());
    QVERIFY2(field.output.contains(package), field.output.constData());
}

void tst_package::desktopEntryIsValid()
{
    ZAPPOMATIC_REQUIRE_TOOLS(u"desktop-file-validate"_s);
    const ToolRun validate
        = runTool(u"desktop-file-validate"_s,
                  {root + u"/usr/share/applications/zappomatic.desktop"_s}, packageTimeoutMs);
    QVERIFY2(validate.ok, (validate.output + validate.errors).constData());
}

void tst_package::installedProgramStarts()
{
    ZAPPOMATIC_REQUIRE_TOOLS(XSession::tools);
    XSession session;
    QVERIFY2(session.start(), "Xvfb tells its display number");
    QVERIFY2(session.startProgram(root + u"/usr/bin/zappomatic"_s),
             "the installed program's window appears");
    session.stopProgram();
    QCOMPARE(session.program().state(), QProcess::NotRunning);
}

QTEST_GUILESS_MAIN(tst_package)
#include "tst_package.moc"
