#include "common/Cp1252.h"
#include "common/NumberFormat.h"

#include <gtest/gtest.h>

#include <array>

using namespace ostrevik;

TEST(Cp1252, UmlautsAndEuroSurviveRoundTrip) {
    const QString text = QStringLiteral("Müller – Übung 5 € ß ÄÖÜ äöü");
    const QByteArray encoded = toCp1252(text);
    EXPECT_EQ(encoded.size(), text.size());                      // one byte per character
    EXPECT_EQ(static_cast<unsigned char>(encoded.at(1)), 0xFC);  // ü
    EXPECT_EQ(static_cast<unsigned char>(encoded.at(7)), 0x96);  // en dash
    EXPECT_EQ(fromCp1252(encoded), text);
}

TEST(Cp1252, UnrepresentableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(toCp1252(QStringLiteral("a\u4e2db")), QByteArray("a?b"));
}

TEST(Cp1252, FieldReadStopsAtZeroOrAtFieldEnd) {
    std::array<char, 5> field = {'a', 'b', 0, 'x', 'y'};
    EXPECT_EQ(fromCp1252Field(field.data(), 5), QStringLiteral("ab"));
    std::array<char, 5> full = {'a', 'b', 'c', 'd', 'e'};  // damaged: no zero
    EXPECT_EQ(fromCp1252Field(full.data(), 5), QStringLiteral("abcde"));
}

TEST(Cp1252, FieldWriteTruncatesTerminatesAndKeepsTrailingBytes) {
    std::array<char, 6> field = {'H', 'a', 'l', 'l', 'o', 0};
    toCp1252Field(QStringLiteral("ab"), field.data(), 6, 5);
    EXPECT_EQ(QByteArray(field.data(), 6), QByteArray("ab\0lo\0", 6));
    toCp1252Field(QStringLiteral("abcdefgh"), field.data(), 6, 5);
    EXPECT_EQ(QByteArray(field.data(), 6), QByteArray("abcde\0", 6));
}

TEST(NumberFormat, GeneralFormatUsesLocaleSeparatorWithoutGrouping) {
    const QLocale de(QLocale::German, QLocale::Germany);
    const QLocale c(QLocale::C);
    EXPECT_EQ(formatGeneral(1240 * 0.001, de), QStringLiteral("1,24"));
    EXPECT_EQ(formatGeneral(0.0, de), QStringLiteral("0"));
    EXPECT_EQ(formatGeneral(33 * 0.001, de), QStringLiteral("0,033"));
    EXPECT_EQ(formatGeneral(50000 * 0.001, de), QStringLiteral("50"));
    EXPECT_EQ(formatGeneral(1234.5, de), QStringLiteral("1234,5"));
    EXPECT_EQ(formatGeneral(90 * 0.02, c), QStringLiteral("1.8"));
}

TEST(NumberFormat, ReaderDecimalsUseTheRealMinusSign) {
    EXPECT_EQ(readerDecimalText(-0.424, 2), QStringLiteral("\u22120,42"));
    EXPECT_EQ(readerDecimalText(1.5, 1), QStringLiteral("1,5"));
    // A value that rounds to zero has no sign at all, not a minus.
    EXPECT_EQ(readerDecimalText(-0.001, 2), QStringLiteral("0,00"));
    EXPECT_EQ(withReaderMinus(QStringLiteral("-120")), QStringLiteral("\u2212120"));
    // Only a leading hyphen is a sign.
    EXPECT_EQ(withReaderMinus(QStringLiteral("3-4")), QStringLiteral("3-4"));
    EXPECT_EQ(withReaderMinus(QString()), QString());
}
