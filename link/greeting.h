// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What a recorder's first line tells about it:
// "220 vm SVDRP VideoDiskRecorder 2.6.0; Mon Dec  7 19:18:03 2026; UTF-8".
struct Greeting
{
    // The longest first line read; VDR's is well under 100 bytes.
    static constexpr qsizetype maxLength = 512;

    QByteArray host; // "vm": the first word after the code
    QByteArray version; // "2.6.0"; empty when the line names no VDR
    QByteArray charset; // the last field, after the last "; "; empty when there is none
    // The recorder's local time as it greeted: "Mon Dec  7 19:18:03 2026", the field after the
    // version; empty when there is none.
    QByteArray clock;

    // Any line; one that is no greeting gives empty fields.
    static Greeting parse(QByteArrayView line);
};
