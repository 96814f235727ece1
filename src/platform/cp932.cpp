#include "cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <utility>
#include <vector>

namespace tera::cp932 {
namespace {

constexpr char kIcuName[] = "windows-31j";
constexpr char16_t kNone = u'\uFFFD';

bool isTrailByte(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Files made on a Mac, on Linux or on the web use these code points where
// Windows uses the CP932 ones (〜 for ～, − for －); Windows' best fit and
// iconv write them as below. Reading the bytes back gives the CP932 characters.
constexpr std::pair<char16_t, quint16> kBestFit[] = {
    {0x301C, 0x8160}, {0x2212, 0x817C}, {0x2016, 0x8161}, {0x00A2, 0x8191}, {0x00A3, 0x8192},
    {0x00AC, 0x81CA}, {0x2014, 0x815C}, {0x00A5, 0x5C},   {0x203E, 0x7E},
};

char16_t decodeWithIcu(const QByteArray &bytes)
{
    QStringDecoder dec(kIcuName, QStringConverter::Flag::Stateless);
    const QString s = dec.decode(bytes);
    if (dec.hasError() || s.size() != 1 || s[0].isSurrogate())
        return kNone;
    return s[0].unicode();
}

class Tables {
public:
    static const Tables &instance()
    {
        static const Tables tables;
        return tables;
    }

    bool valid = false;
    std::vector<quint16> encode; // by code point below 0x10000; 0: not held (ASCII is not looked up)
    std::vector<char16_t> single; // by byte
    std::vector<char16_t> pair;   // by lead << 8 | trail

private:
    Tables()
    {
        valid = QStringEncoder(kIcuName).isValid() && QStringDecoder(kIcuName).isValid();
        if (!valid)
            return;
        encode.assign(0x10000, 0);
        single.assign(0x100, kNone);
        pair.assign(0x10000, kNone);
        for (int b = 0; b < 0x80; ++b)
            single[b] = char16_t(b);
        for (int b = 0x80; b < 0x100; ++b)
            if (!isLeadByte(uchar(b)))
                single[b] = decodeWithIcu(QByteArray(1, char(b)));
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(uchar(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                const char bytes[2] = {char(lead), char(trail)};
                pair[(lead << 8) | trail] = decodeWithIcu(QByteArray(bytes, 2));
            }
        }
        // Every character CP932 holds is one that some bytes read as; of those
        // the bytes ICU writes count only when they read back unchanged. One
        // converter per character: a conversion error stays on the converter.
        std::vector<bool> seen(0x10000, false);
        auto consider = [&](char16_t c) {
            if (c < 0x80 || c == kNone || seen[c])
                return;
            seen[c] = true;
            const QChar ch(c);
            QStringEncoder enc(kIcuName, QStringConverter::Flag::Stateless);
            const QByteArray b = enc.encode(QStringView(&ch, 1));
            if (enc.hasError() || b.isEmpty() || b.size() > 2 || uchar(b[0]) < 0x80 || decodeWithIcu(b) != c)
                return;
            encode[c] = b.size() == 1 ? quint16(uchar(b[0])) : quint16((uchar(b[0]) << 8) | uchar(b[1]));
        };
        for (char16_t c : single)
            consider(c);
        for (char16_t c : pair)
            consider(c);
    }
};

const Tables &tables() { return Tables::instance(); }

} // namespace

bool available() { return tables().valid; }

bool isLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int codeOf(char32_t c, Fallback fallback)
{
    if (c < 0x80)
        return int(c);
    if (c >= 0x10000 || (c >= 0xD800 && c < 0xE000) || !available())
        return -1;
    if (const quint16 code = tables().encode[c])
        return code;
    if (fallback == Fallback::BestFit)
        for (const auto &[from, code] : kBestFit)
            if (from == c)
                return code;
    return -1;
}

Decoded decode(QByteArrayView bytes, BadPair badPair)
{
    Decoded out;
    if (!available())
        return out;
    const Tables &t = tables();
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype n = bytes.size();
    out.text.resize(n);
    char16_t *o = reinterpret_cast<char16_t *>(out.text.data());
    qsizetype len = 0;
    auto bad = [&](qsizetype at) {
        if (out.firstBadByte < 0)
            out.firstBadByte = at;
        o[len++] = kNone;
    };
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) { // the common case first
            o[len++] = b;
            ++i;
            continue;
        }
        if (isLeadByte(b)) {
            if (i + 1 < n) {
                const char16_t c = t.pair[(b << 8) | p[i + 1]];
                if (c != kNone) {
                    o[len++] = c;
                    i += 2;
                    continue;
                }
                if (badPair == BadPair::WholePair && isTrailByte(p[i + 1])) {
                    bad(i);
                    i += 2;
                    continue;
                }
            }
            bad(i);
            ++i;
            continue;
        }
        const char16_t c = t.single[b];
        if (c == kNone)
            bad(i);
        else
            o[len++] = c;
        ++i;
    }
    out.text.truncate(len);
    return out;
}

std::optional<QByteArray> encode(QStringView text, qsizetype *firstUnheld)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const int code = codeOf(c);
        if (code < 0) {
            if (firstUnheld)
                *firstUnheld = i;
            return std::nullopt;
        }
        if (code >= 0x100)
            out.append(char(code >> 8));
        out.append(char(code & 0xFF));
    }
    return out;
}

} // namespace tera::cp932
