// Decoding listing bytes and mapping lines back to the bytes the scanner sees.
#include "sourceview/ListingText.h"

#include <gtest/gtest.h>

TEST(ListingText, DecodesAsUtf8OnlyWhenEveryLineIsValid) {
    TTextEncoding Used = TTextEncoding::Latin1;
    QStringList Lines = DecodeListingLines({"LDAA #1", "; gr\xC3\xBC\xC3\x9F"}, Used);
    EXPECT_EQ(Used, TTextEncoding::Utf8);
    EXPECT_EQ(Lines.at(1), QString::fromUtf8("; grüß"));

    // One Latin-1 byte anywhere: the whole listing is Latin-1, and every byte survives.
    const QList<QByteArray> Mixed = {"; \xC3\xA4", "; \xE4", "\x80\xFF"};
    Lines = DecodeListingLines(Mixed, Used);
    EXPECT_EQ(Used, TTextEncoding::Latin1);
    ASSERT_EQ(Lines.size(), 3);
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Lines.at(I).toLatin1(), Mixed.at(I));
}

TEST(ListingText, MapsLinesBackToTheirBytes) {
    QByteArray Bytes;
    std::vector<int32_t> CharOf;

    LineToBytes(QStringLiteral("LDAA #$1F"), TTextEncoding::Utf8, Bytes, CharOf);
    EXPECT_EQ(Bytes, QByteArray("LDAA #$1F"));
    EXPECT_TRUE(CharOf.empty()); // ASCII: byte i is character i

    LineToBytes(QString::fromLatin1("a\xE4\xFF"), TTextEncoding::Latin1, Bytes, CharOf);
    EXPECT_EQ(Bytes, QByteArray("a\xE4\xFF"));
    EXPECT_TRUE(CharOf.empty());

    // "aä€😀b": 1 + 2 + 3 + 4 + 1 bytes; the emoji is two UTF-16 characters.
    const QString Text = QString::fromUtf8("a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"
                                           "b");
    LineToBytes(Text, TTextEncoding::Utf8, Bytes, CharOf);
    EXPECT_EQ(Bytes, Text.toUtf8());
    EXPECT_EQ(CharOf, (std::vector<int32_t>{0, 1, 1, 2, 2, 2, 3, 3, 3, 3, 5, 6}));

    // A lone surrogate has no UTF-8 form; it stands for one replacement character.
    LineToBytes(QString(QChar(0xD800)) + QLatin1Char('x'), TTextEncoding::Utf8, Bytes, CharOf);
    EXPECT_EQ(Bytes, QByteArray("\xEF\xBF\xBDx"));
    EXPECT_EQ(CharOf, (std::vector<int32_t>{0, 0, 0, 1, 2}));
}
