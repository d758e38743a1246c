// SPDX-License-Identifier: GPL-2.0-or-later
#include "number_rules.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;

namespace Numbers {

namespace {

// Only ASCII digits count: QChar::isDigit would also take Arabic-Indic or full-width
// digits, which no recorder reads as a number.
bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isSign(char16_t c)
{
    return c == u'+' || c == u'-';
}

// Beyond this decimal order a double is infinite or zero whatever the digits are, so
// the exponent can be decided before from_chars sees it.
constexpr qint64 orderBeyondDouble = 400;
// Keeps a pasted exponent of thousands of digits from overflowing the arithmetic.
constexpr qint64 exponentCeiling = 1'000'000'000'000'000;

// Walks the text the lenient way: blanks, tabs and line feeds are stepped over wherever
// they stand, even between digits ("20 01" reads as 2001).
class LenientCursor
{
public:
    explicit LenientCursor(QStringView text)
        : m_text(text)
    {
        skipBlanks();
    }

    char16_t current() const { return m_pos < m_text.size() ? m_text[m_pos].unicode() : u'\0'; }
    bool atDigit() const { return m_pos < m_text.size() && isDigit(current()); }

    void advance()
    {
        ++m_pos;
        skipBlanks();
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size()) {
            const char16_t c = m_text[m_pos].unicode();
            if (c != u' ' && c != u'\t' && c != u'\n')
                break;
            ++m_pos;
        }
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// The exponent after E or D; zero when the letter is not followed by digits, in which
// case the number ends before the letter ("1e" reads as 1).
qint64 readExponent(LenientCursor &cursor)
{
    const char16_t letter = cursor.current();
    if (letter != u'E' && letter != u'e' && letter != u'D' && letter != u'd')
        return 0;
    cursor.advance();
    bool negative = false;
    if (isSign(cursor.current())) {
        negative = cursor.current() == u'-';
        cursor.advance();
    }
    qint64 exponent = 0;
    while (cursor.atDigit()) {
        exponent = std::min(exponent * 10 + (cursor.current() - u'0'), exponentCeiling);
        cursor.advance();
    }
    return negative ? -exponent : exponent;
}

} // namespace

double lenientNumber(QStringView text)
{
    LenientCursor cursor(text);
    bool negative = false;
    if (isSign(cursor.current())) {
        negative = cursor.current() == u'-';
        cursor.advance();
    }

    // The value is significant * 10^scale: leading zeros are dropped and every fraction
    // digit lowers the scale by one.
    std::string significant;
    qint64 scale = 0;
    bool sawPoint = false;
    for (;; cursor.advance()) {
        const char16_t c = cursor.current();
        if (c == u'.' && !sawPoint) {
            sawPoint = true;
            continue;
        }
        if (!isDigit(c))
            break;
        if (sawPoint)
            --scale;
        if (!significant.empty() || c != u'0')
            significant.push_back(static_cast<char>(c));
    }
    if (significant.empty())
        return 0.0;
    scale += readExponent(cursor);

    const double infinity = negative ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity();
    const qint64 order = static_cast<qint64>(significant.size()) - 1 + scale;
    if (order > orderBeyondDouble)
        return infinity;
    if (order < -orderBeyondDouble)
        return 0.0;

    significant += 'e';
    significant += std::to_string(scale);
    double magnitude = 0.0;
    const auto result
        = std::from_chars(significant.data(), significant.data() + significant.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range)
        return order > 0 ? infinity : 0.0;
    return negative ? -magnitude : magnitude;
}

std::optional<qint32> roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint follows the default rounding mode, to nearest with halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<qint32>::min())
        || rounded > static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Sign, digits with at most one point, optional E/e exponent with at least one digit;
// nothing before or after.
bool isPlainDecimal(QStringView text)
{
    const qsizetype size = text.size();
    const auto at = [&](qsizetype i) {
        return i < size ? text[i].unicode() : u'\0';
    };
    qsizetype i = 0;
    if (isSign(at(i)))
        ++i;
    int digits = 0;
    bool sawPoint = false;
    for (; i < size; ++i) {
        const char16_t c = at(i);
        if (isDigit(c))
            ++digits;
        else if (c == u'.' && !sawPoint)
            sawPoint = true;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (at(i) == u'e' || at(i) == u'E') {
        ++i;
        if (isSign(at(i)))
            ++i;
        const qsizetype exponentStart = i;
        while (i < size && isDigit(at(i)))
            ++i;
        if (i == exponentStart)
            return false;
    }
    return i == size;
}

} // namespace

std::optional<double> channelNumber(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    const QStringView number = text.sliced(begin, end - begin);
    if (!isPlainDecimal(number))
        return std::nullopt;
    // A text that passed reads the same strictly and leniently; only its range can fail.
    const double value = lenientNumber(number);
    if (!std::isfinite(value))
        return std::nullopt;
    // Just below the largest double, 15 digits round up past it: the line would name a value
    // that no longer reads back as the one typed.
    if (!std::isfinite(lenientNumber(shortestDecimal(value))))
        return std::nullopt;
    return value;
}

QString shortestDecimal(double value)
{
    // "-0" would reach the recorder as a different text for the same channel.
    if (value == 0.0)
        return u"0"_s;
    // General format with precision 15 is printf's %.15g without the locale: plain digits
    // for whole numbers below 1e15, trailing zeros dropped, an exponent beyond that.
    char buffer[32];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (result.ec != std::errc())
        return {};
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace Numbers
