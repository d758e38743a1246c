// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

// The recorder's character set. VDR reads command lines and writes its replies in the set its
// greeting names (UTF-8, or ISO-8859-15 on a recorder running in a Latin-9 locale). The
// conversions are glibc's iconv, which VDR itself uses.
class RecorderCharset
{
public:
    // UTF-8 for an empty name, for one that iconv does not know, and for a set that would change
    // plain ASCII: the commands and their line ends must reach the recorder byte for byte.
    explicit RecorderCharset(QByteArrayView name = {});
    ~RecorderCharset();
    RecorderCharset(RecorderCharset &&) noexcept;
    RecorderCharset &operator=(RecorderCharset &&) noexcept;

    // Into bytes, whose room is used again: plain ASCII needs no memory of its own. A character
    // the set cannot hold goes out as '?'.
    void encode(QStringView text, QByteArray &bytes);
    // Bytes that are no character of the set become U+FFFD; a character cut off at the end is
    // left out.
    QString decode(QByteArrayView bytes);

private:
    class Converter;
    QByteArray convert(QStringView text);

    std::unique_ptr<Converter> m_toRecorder; // both null for UTF-8
    std::unique_ptr<Converter> m_fromRecorder;
};
