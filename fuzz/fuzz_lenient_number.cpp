// SPDX-License-Identifier: GPL-2.0-or-later
// The lenient number reading: never NaN, and the same double as the C library's strtod gives
// for the number at the start of the text once the blanks are gone.
#include "number_rules.h"
#include "require.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace Qt::StringLiterals;

namespace {

// Blanks, tabs and line feeds are dropped wherever they stand and a D exponent becomes an E.
// The copy ends at the first character outside the number's alphabet, so strtod's own
// extras (hexadecimal, "inf", "nan", other white space) never come into play.
std::string strtodInput(QString text)
{
    static const QRegularExpression blank(u"[ \t\n]"_s), outside(u"[^0-9.+eE-]|$"_s);
    text.remove(blank).replace(u'd', u'e').replace(u'D', u'e');
    return text.first(text.indexOf(outside)).toStdString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = Numbers::lenientNumber(text);
    require(!std::isnan(value), "the reading is never NaN");

    const std::string input = strtodInput(text);
    const double expected = std::strtod(input.c_str(), nullptr);
    // == also lets 0 and -0 agree: a number too small for a double may keep its sign or not.
    require(value == expected, "the reading equals strtod on the blank-free number");

    return 0;
}
