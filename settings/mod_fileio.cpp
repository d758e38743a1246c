// SPDX-License-Identifier: GPL-2.0-or-later
#include "mod_fileio.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <optional>

using namespace Qt::StringLiterals;

namespace mod_fileio {

namespace {

// A real settings file is a few lines; anything this large is not one.
constexpr qint64 maxFileSize = 1024 * 1024;

QString decodeSettingsText(QByteArrayView content)
{
    // A leading byte-order mark is skipped; invalid bytes become U+FFFD. Stateless, so a
    // sequence cut off at the end of the file is replaced too instead of held back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return utf8(content);
}

// The name between the brackets of a section line, or nothing for any other line.
std::optional<QStringView> sectionName(QStringView entry)
{
    if (!entry.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = entry.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return entry.sliced(1, close - 1).trimmed();
}

QString finishValue(QStringView raw)
{
    QStringView value = raw.trimmed();
    if (value.size() >= 2 && value.front() == value.back()
        && (value.front() == u'"' || value.front() == u'\''))
        value = value.sliced(1, value.size() - 2);

    QString result = value.toString();
    if (result.size() > maxValueLength) {
        result.truncate(maxValueLength);
        // Never hand back half of a character outside the basic plane.
        if (result.back().isHighSurrogate())
            result.chop(1);
    }
    return result;
}

} // namespace

QString with_backslash(const QString &path)
{
    if (path.endsWith(folderSeparator))
        return path;
    return path + folderSeparator;
}

QString settingsFilePath(const QString &folder)
{
    QString programFolder = folder;
    // Without an application object there is no program folder to look in (rather than the
    // root folder).
    if (programFolder.isEmpty() && QCoreApplication::instance())
        programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty()) {
        QString beside = with_backslash(programFolder) + u"zappomatic.ini"_s;
        if (QFileInfo(beside).isFile())
            return beside;
    }
    // $XDG_CONFIG_HOME (~/.config when unset), then each of $XDG_CONFIG_DIRS (/etc/xdg).
    return QStandardPaths::locate(QStandardPaths::GenericConfigLocation,
                                  u"zappomatic/zappomatic.ini"_s);
}

QString get_setting(const QString &section, const QString &key, const QString &folder)
{
    return valueInFile(settingsFilePath(folder), section, key);
}

QString valueInFile(const QString &filePath, QStringView section, QStringView key)
{
    // Only a regular file is read: opening a named pipe waits for a writer, and a device such
    // as /dev/zero never ends.
    QFile file(filePath);
    if (filePath.isEmpty() || !QFileInfo(filePath).isFile() || !file.open(QIODevice::ReadOnly)
        || file.size() > maxFileSize)
        return {};
    return valueInText(file.readAll(), section, key);
}

QString valueInText(QByteArrayView content, QStringView section, QStringView key)
{
    const QString text = decodeSettingsText(content);
    bool inSection = false;
    bool sectionSeen = false;

    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        // A lone CR also ends a line, so files from old Mac editors read the same.
        for (QStringView part : line.tokenize(u'\r')) {
            const QStringView entry = part.trimmed();
            if (const auto name = sectionName(entry)) {
                // Only the first section of that name counts.
                if (sectionSeen)
                    return {};
                inSection = name->compare(section, Qt::CaseInsensitive) == 0;
                sectionSeen = inSection;
                continue;
            }
            if (!inSection)
                continue;
            // Comments need no rule of their own: ";port=1" names the key ";port", which no
            // caller asks for.
            const qsizetype equals = entry.indexOf(u'=');
            if (equals >= 0 && entry.first(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
                return finishValue(entry.sliced(equals + 1));
        }
    }
    return {};
}

} // namespace mod_fileio
