#include "number_rules.h"

#include <QTest>
#include <limits>

using namespace Qt::StringLiterals;
using Int = std::optional<qint32>;

constexpr double inf = std::numeric_limits<double>::infinity();

class tst_number_rules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lenientNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("letters after the number") << u"2001x"_s << 2001.0;
        QTest::newRow("no leading number") << u"abc"_s << 0.0;
        QTest::newRow("blanks, tab and line feed anywhere") << u"\t-\n1 2 "_s << -12.0;
        QTest::newRow("carriage return ends it") << u"20\r01"_s << 20.0;
        QTest::newRow("D exponent with a blank") << u"2.5D -1"_s << 0.25;
        QTest::newRow("exponent sign without digits") << u"1e+"_s << 1.0;
        QTest::newRow("point first") << u".5"_s << 0.5;
        QTest::newRow("second point ends it") << u"1.2.3"_s << 1.2;
        QTest::newRow("non-ASCII digits") << u"\u0661\u0662"_s << 0.0;
        QTest::newRow("500 leading zeros") << QString(u"0"_s.repeated(500) + u"7"_s) << 7.0;
        QTest::newRow("just above largest double") << u"1.8e308"_s << inf;
        QTest::newRow("negative far beyond double") << u"-1e400"_s << -inf;
        QTest::newRow("exponent of 25 digits") << u"1e9999999999999999999999999"_s << inf;
        QTest::newRow("far below smallest double") << u"1e-400"_s << 0.0;
        QTest::newRow("just below smallest double") << u"-2e-324"_s << 0.0;
    }
    void lenientNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Numbers::lenientNumber(text), expected);
    }

    void roundToInt32_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<Int>("expected");
        QTest::newRow("half to even below") << 2000.5 << Int(2000);
        QTest::newRow("half to even above") << 2001.5 << Int(2002);
        QTest::newRow("negative half to even") << -2.5 << Int(-2);
        QTest::newRow("just under the maximum") << 2147483647.4 << Int(2147483647);
        QTest::newRow("half above the maximum") << 2147483647.5 << Int();
        QTest::newRow("half below the minimum") << -2147483648.5 << Int(-2147483648);
        QTest::newRow("below the minimum") << -2147483649.0 << Int();
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << Int();
    }
    void roundToInt32()
    {
        QFETCH(double, value);
        QFETCH(Int, expected);
        QCOMPARE(Numbers::roundToInt32(value), expected);
    }

    void shortestDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("negative zero") << -0.0 << u"0"_s;
        QTest::newRow("largest plain whole") << 999999999999999.0 << u"999999999999999"_s;
        QTest::newRow("1e15 gets an exponent") << 1e15 << u"1e+15"_s;
        QTest::newRow("fraction cut at 15 digits") << 1.0 / 3 << u"0.333333333333333"_s;
        QTest::newRow("binary noise dropped") << 0.1 + 0.2 << u"0.3"_s;
    }
    void shortestDecimal()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(Numbers::shortestDecimal(value), expected);
    }
};

QTEST_APPLESS_MAIN(tst_number_rules)
#include "tst_number_rules.moc"
