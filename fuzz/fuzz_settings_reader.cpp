// SPDX-License-Identifier: GPL-2.0-or-later
// The settings reader on arbitrary file contents. The input's first line names the section,
// its second line the key, and the rest is the file; server/ip and server/port are asked too.
#include "mod_fileio.h"
#include "require.h"

#include <QString>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

void check(QByteArrayView content, const QString &section, const QString &key)
{
    const QString value = mod_fileio::valueInText(content, section, key);
    require(value.size() <= mod_fileio::maxValueLength, "a value has at most 249 characters");
    require(!value.contains(u'\r') && !value.contains(u'\n'), "a value holds no CR or LF");
    require(QString::fromUtf8(content).contains(value), "a value is a piece of the file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView input(data, qsizetype(size));
    // Where the key's line and the file start; 0 while there are not two lines before them.
    const qsizetype key = input.indexOf('\n') + 1;
    const qsizetype file = key ? input.indexOf('\n', key) + 1 : 0;
    if (file) {
        check(input.sliced(file), QString::fromUtf8(input.first(key - 1)),
              QString::fromUtf8(input.sliced(key, file - 1 - key)));
        input = input.sliced(file);
    }
    check(input, u"server"_s, u"ip"_s);
    check(input, u"server"_s, u"port"_s);
    return 0;
}
