// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_charset.h"

#include <QList>
#include <QStringDecoder>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

using namespace Qt::StringLiterals;

namespace {

// Qt's own text in the machine's byte order, as iconv names it.
constexpr bool littleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
constexpr const char *utf16 = littleEndian ? "UTF-16LE" : "UTF-16BE";
constexpr const char *utf32 = littleEndian ? "UTF-32LE" : "UTF-32BE";

// Printable ASCII and the line end: what every command line is made of.
const QString asciiProbe = [] {
    QString probe;
    for (char16_t c = 32; c < 127; ++c)
        probe.append(QChar(c));
    return probe + u"\r\n"_s;
}();

bool isUtf8(QByteArrayView name)
{
    return name.compare("UTF-8", Qt::CaseInsensitive) == 0
        || name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

// A name as iconv takes it, without the suffixes ("//TRANSLIT") that change its rules.
bool isPlainName(QByteArrayView name)
{
    return !name.isEmpty() && name.size() <= 40
        && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                   || c == '-' || c == '_' || c == '.' || c == ':';
           });
}

} // namespace

class RecorderCharset::Converter
{
public:
    Converter(const char *to, const char *from)
        : m_cd(iconv_open(to, from))
    { }
    ~Converter()
    {
        if (isValid())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open() says it failed with (iconv_t)-1.
    bool isValid() const { return m_cd != iconv_t(-1); }

    // Converts all of input. Where a character cannot be converted, substitute goes out instead
    // and skip bytes of input are passed over; an incomplete character at the end is dropped.
    QByteArray convert(QByteArrayView input, QByteArrayView substitute, qsizetype skip)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray output(input.size() * 2 + 16, Qt::Uninitialized);
        char *in = const_cast<char *>(input.data());
        size_t inLeft = size_t(input.size());
        qsizetype done = 0;
        const auto room = [&](qsizetype needed) {
            if (output.size() - done < needed)
                output.resize(std::max(output.size() * 2, done + needed));
        };
        for (bool flushed = false; !flushed;) {
            char *out = output.data() + done;
            size_t outLeft = size_t(output.size() - done);
            // Once the input is through, a last call ends any shift state of the output.
            const size_t result = inLeft ? iconv(m_cd, &in, &inLeft, &out, &outLeft)
                                         : iconv(m_cd, nullptr, nullptr, &out, &outLeft);
            done = out - output.data();
            if (result != size_t(-1)) {
                flushed = inLeft == 0;
            } else if (errno == E2BIG) {
                room(output.size());
            } else if (errno == EILSEQ) {
                room(substitute.size());
                std::copy(substitute.begin(), substitute.end(), output.data() + done);
                done += substitute.size();
                const size_t passed = std::min(size_t(skip), inLeft);
                in += passed;
                inLeft -= passed;
            } else {
                inLeft = 0; // an incomplete character at the end
            }
        }
        output.truncate(done);
        return output;
    }

private:
    iconv_t m_cd;
};

RecorderCharset::RecorderCharset(QByteArrayView name)
{
    if (!isPlainName(name) || isUtf8(name))
        return;
    const QByteArray set = name.toByteArray();
    auto to = std::make_unique<Converter>(set.constData(), utf32);
    auto from = std::make_unique<Converter>(utf16, set.constData());
    if (!to->isValid() || !from->isValid())
        return;
    m_toRecorder = std::move(to);
    m_fromRecorder = std::move(from);
    const QByteArray ascii = asciiProbe.toLatin1();
    if (convert(asciiProbe) != ascii || decode(ascii) != asciiProbe) {
        m_toRecorder.reset();
        m_fromRecorder.reset();
    }
}

RecorderCharset::~RecorderCharset() = default;
RecorderCharset::RecorderCharset(RecorderCharset &&) noexcept = default;
RecorderCharset &RecorderCharset::operator=(RecorderCharset &&) noexcept = default;

void RecorderCharset::encode(QStringView text, QByteArray &bytes)
{
    // Every set this class keeps holds ASCII as it is.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        bytes.resize(text.size());
        std::transform(text.begin(), text.end(), bytes.data(),
                       [](QChar c) { return char(c.unicode()); });
    } else {
        bytes = m_toRecorder ? convert(text) : text.toUtf8();
    }
}

QByteArray RecorderCharset::convert(QStringView text)
{
    const QList<uint> characters = text.toUcs4();
    const auto bytes = QByteArrayView(reinterpret_cast<const char *>(characters.constData()),
                                      characters.size() * qsizetype(sizeof(uint)));
    return m_toRecorder->convert(bytes, "?", sizeof(uint));
}

QString RecorderCharset::decode(QByteArrayView bytes)
{
    if (!m_fromRecorder) {
        // Keeps a character cut off at the end in its state instead of replacing it.
        QStringDecoder utf8(QStringDecoder::Utf8);
        return utf8(bytes);
    }
    constexpr char16_t replacement = QChar::ReplacementCharacter;
    const QByteArray units = m_fromRecorder->convert(
        bytes, QByteArrayView(reinterpret_cast<const char *>(&replacement), sizeof replacement), 1);
    return QString(reinterpret_cast<const QChar *>(units.constData()),
                   units.size() / qsizetype(sizeof(char16_t)));
}
