// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Reads the recorder's address from zappomatic.ini, one key per call: the file next to the
// program when there is one, so a copy in its own folder keeps its settings with it; otherwise
// the desktop user's zappomatic/zappomatic.ini, then the system-wide one (the XDG config
// folders). Only the first file found is read. Nothing here ever writes a file or remembers
// one between calls, and nothing reports an error: whatever goes wrong reads as the empty text
// and the caller falls back to its default.
namespace mod_fileio {

// The platform's own folder separator, despite the function's name.
#ifdef Q_OS_WIN
inline constexpr QChar folderSeparator = u'\\';
#else
inline constexpr QChar folderSeparator = u'/';
#endif

// Longest value handed back; anything after it is cut without notice.
inline constexpr qsizetype maxValueLength = 249;

// The folder path ready to have a file name appended: one separator at the end, never two.
QString with_backslash(const QString &path);

// The value of one key of one section of the settings file, or the empty text. The program's
// folder is the one that holds the program, never the working folder; folder, when not empty,
// stands in for it.
QString get_setting(const QString &section, const QString &key, const QString &folder = {});

// The file get_setting reads: "zappomatic.ini" in the folder (by default the program's) when
// that is a regular file, else "zappomatic/zappomatic.ini" in the first XDG config folder that
// has it; the empty text when there is none.
QString settingsFilePath(const QString &folder = {});

// The value of a key in the given file; a missing, unreadable or oversized file gives the
// empty text.
QString valueInFile(const QString &filePath, QStringView section, QStringView key);

// The value of a key in the raw bytes of a settings file. Section and key names match in any
// letter case, blanks around the value are dropped, as is one pair of matching quotes around
// it, and the first occurrence of the key wins. Lines that are neither a section line nor a
// key line, comments among them, are passed over.
// The bytes are read as UTF-8; a byte-order mark is skipped and invalid bytes are replaced.
// Only the first section of the name counts.
QString valueInText(QByteArrayView content, QStringView section, QStringView key);

} // namespace mod_fileio
