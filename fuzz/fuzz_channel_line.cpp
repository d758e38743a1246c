// SPDX-License-Identifier: GPL-2.0-or-later
// The channel box: which texts pass, and what "chan" line they become. A text passes only if
// it is one plain decimal number, and its written form must read back as the same value.
#include "command_lines.h"
#include "number_rules.h"
#include "require.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// The value rounded to the 15 significant digits the written form keeps.
double toFifteenDigits(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return std::strtod(buffer, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<double> number = Numbers::channelNumber(text);
    const std::optional<QString> line = Svdrp::channelLine(text);
    require(number.has_value() == line.has_value(), "a line is built exactly for passing texts");

    // One plain decimal number, with blanks and tabs around it.
    static const QRegularExpression plainNumber(QRegularExpression::anchoredPattern(
        uR"([ \t]*[+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?[ \t]*)"_s));
    const bool plain = plainNumber.match(text).hasMatch();
    if (!number) {
        // The only plain numbers that fail are those that, written with 15 digits, lie beyond
        // the range of a double.
        const double typed = std::strtod(text.trimmed().toLatin1().constData(), nullptr);
        require(!plain || std::isinf(toFifteenDigits(typed)), "a plain number within range passes");
        return 0;
    }
    require(plain && std::isfinite(*number), "only a plain number within range passes");
    const double value = *number;
    const QString written = Numbers::shortestDecimal(value);
    require(*line == u"chan "_s + written + u"\r\n"_s,
            "the line is chan, one blank, the number, CR LF");

    const std::optional<double> readBack = Numbers::channelNumber(written);
    require(readBack && *readBack == toFifteenDigits(value),
            "the written form passes and reads back as the value to 15 significant digits");
    return 0;
}
