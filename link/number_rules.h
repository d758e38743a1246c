// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// How the program turns typed or configured text into numbers and back.
// The port field, the channel box and the settings' port all go through here.
namespace Numbers {

// Reads a leading number leniently: blanks, tabs and line feeds are skipped wherever they
// stand, then an optional sign, digits, an optional fraction and an optional exponent
// (E or D) are read up to the first character that does not fit. No number reads as 0.
// A value beyond the range of a double reads as an infinity of its sign, one too small
// for a double as 0.
double lenientNumber(QStringView text);

// Rounds to the nearest integer, an exact half to the even neighbour (2000.5 -> 2000,
// 2001.5 -> 2002). Empty when the result does not fit a signed 32-bit integer or the
// value is not finite.
std::optional<qint32> roundToInt32(double value);

// The channel box's test: apart from blanks around it, the text is one plain decimal
// number (optional sign, digits with at most one point, optional E/e exponent) whose
// value is finite. Gives that value, or nothing.
std::optional<double> channelNumber(QStringView text);

// Shortest decimal form with at most 15 significant digits; a whole number is written
// as plain digits ("7", "-3", "100"), a fraction keeps its digits ("2.5"). Values that
// need more are written as printf's %.15g writes them ("1e+15"); negative zero is "0".
QString shortestDecimal(double value);

} // namespace Numbers
