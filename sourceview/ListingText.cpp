#include "sourceview/ListingText.h"

QStringList DecodeListingLines(const QList<QByteArray>& Lines, TTextEncoding& Used) {
    bool Utf8 = true;
    for (const QByteArray& Line : Lines)
        if (!Line.isValidUtf8()) {
            Utf8 = false;
            break;
        }
    Used = Utf8 ? TTextEncoding::Utf8 : TTextEncoding::Latin1;
    QStringList Result;
    Result.reserve(Lines.size());
    for (const QByteArray& Line : Lines)
        Result.append(Utf8 ? QString::fromUtf8(Line) : QString::fromLatin1(Line));
    return Result;
}

namespace {

void AppendUtf8(QByteArray& Bytes, std::vector<int32_t>& CharOf, char32_t Cp, int32_t Char) {
    char Buf[4];
    int N = 0;
    if (Cp < 0x80) {
        Buf[N++] = static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Buf[N++] = static_cast<char>(0xC0 | (Cp >> 6));
        Buf[N++] = static_cast<char>(0x80 | (Cp & 0x3F));
    } else if (Cp < 0x10000) {
        Buf[N++] = static_cast<char>(0xE0 | (Cp >> 12));
        Buf[N++] = static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Buf[N++] = static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Buf[N++] = static_cast<char>(0xF0 | (Cp >> 18));
        Buf[N++] = static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
        Buf[N++] = static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Buf[N++] = static_cast<char>(0x80 | (Cp & 0x3F));
    }
    Bytes.append(Buf, N);
    CharOf.insert(CharOf.end(), static_cast<size_t>(N), Char);
}

} // namespace

void LineToBytes(const QString& Line, TTextEncoding Encoding, QByteArray& Bytes,
                 std::vector<int32_t>& CharOf) {
    CharOf.clear();
    const qsizetype Size = Line.size();
    const QChar* Data = Line.constData();
    bool Ascii = true;
    for (qsizetype I = 0; I < Size && Ascii; ++I)
        Ascii = Data[I].unicode() < 0x80;
    if (Ascii || Encoding == TTextEncoding::Latin1) {
        Bytes = Line.toLatin1(); // one byte per character; unmappable ones become '?'
        return;
    }
    Bytes.clear();
    Bytes.reserve(Size * 3);
    CharOf.reserve(static_cast<size_t>(Size) * 3 + 1);
    for (qsizetype I = 0; I < Size; ++I) {
        const auto Index = static_cast<int32_t>(I);
        const char16_t U = Data[I].unicode();
        char32_t Cp = U;
        if (QChar::isHighSurrogate(U) && I + 1 < Size &&
            QChar::isLowSurrogate(Data[I + 1].unicode())) {
            Cp = QChar::surrogateToUcs4(U, Data[I + 1].unicode());
            ++I;
        } else if (QChar::isSurrogate(U)) {
            Cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        AppendUtf8(Bytes, CharOf, Cp, Index);
    }
    CharOf.push_back(static_cast<int32_t>(Size));
}
