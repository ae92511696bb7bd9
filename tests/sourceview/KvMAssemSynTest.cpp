// The assembler scanner, tested directly on byte strings.
#include "sourceview/KvMAssemSyn.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using T = TKvCPUType;

// The tokens of a line as "<kind letter><text>" joined by '|'. Kind letters: Comment,
// Directive, Identifier, Keyword, (Null), Number, Space, sTring, sYmbol, Unknown. A token of
// no length shows as a bare letter; a scanner that stops advancing is cut off.
std::string Scan(TKvMAssemSyn& Syn, const std::string& Line) {
    std::string Result;
    Syn.SetLine(Line.c_str(), 1);
    for (size_t N = 0; !Syn.GetEol() && N <= Line.size(); ++N, Syn.Next())
        Result.append("|").append(1, "CDIK-NSTYU"[Syn.GetTokenKind()]).append(Syn.GetToken());
    return Result.erase(0, 1);
}

TEST(KvMAssemSyn, ScansEachKindOfTokenToItsBoundaries) {
    const std::pair<std::string, const char*> Cases[] = {
        {"", ""},
        {"LDAA #$1F ; load", "KLDAA|S |Y#|N$1F|S |C; load"},
        {"loop: 1st .org", "Iloop|Y:|S |N1|Ist|S |U.|Dorg"},
        {"DC.B 1,2 LDAA.X;a'b\"", "DDC.B|S |N1|Y,|N2|S |ILDAA.X|C;a'b\""},
        {"a1.b_2+x :=(x)*2", "Ia1.b_2|U+|Ix|S |Y:|U=|Y(|Ix|Y)|Y*|N2"},
        {"!&-/<>?@[\\]^`{}~", "U!|U&|U-|U/|U<|U>|U?|U@|U[|U\\|U]|U^|U`|U{|U}|U~"},
        {std::string("AB\0CD", 5), "IAB"}, // the line ends at its first NUL
        // Spaces: control bytes join a run, line breaks stand alone and end a comment.
        {"\t \x01\x1Fy\r\nz\n\n", "S\t \x01\x1F|Iy|S\r\n|Iz|S\n|S\n"},
        {" \r; x\ry", "S |S\r|C; x|S\r|Iy"},
        // Numbers of every format at once; a wrong digit ends the number.
        {"0x1F 0X1F 0FFh 17o 0AbcdefH", "N0x1F|S |N0|IX1F|S |N0FFh|S |N17o|S |N0AbcdefH"},
        {"12q $ % $fg $1fH %102 %1a",
         "N12|Iq|S |N$|S |N%|S |N$f|Ig|S |N$1f|IH|S |N%10|N2|S |N%1|Ia"},
        // Strings: a doubled quote ends one string and starts the next; no quote escapes another.
        {"'AB' '' 'it''s' '''x' '\xE4'", "T'AB'|S |T''|S |T'it'|T's'|S |T'''x'|S |T'\xE4'"},
        {"\"a;b\"c \"a'b\"", "T\"a;b\"|Ic|S |T\"a'b\""},
        {"'ab\rc 'abc", "T'ab\r|Ic|S |T'abc"},
        // Bytes 128 to 255 are one Unknown token each, also inside words and numbers.
        {"\x80|A\xC3\xA4|1\xFF|LDAA\xA0", "U\x80|U||IA|U\xC3|U\xA4|U||N1|U\xFF|U||KLDAA|U\xA0"},
        // Keywords and directives ignore case; near misses and anagrams are identifiers.
        {"ldaa Ldaa lDaA xgdy aba", "Kldaa|S |KLdaa|S |KlDaA|S |Kxgdy|S |Kaba"},
        {"equ Fcb dc.w rmb END", "Dequ|S |DFcb|S |Ddc.w|S |Drmb|S |DEND"},
        {"ldaax ld lds. MOVW FCB1 aab", "Ildaax|S |Ild|S |Ilds.|S |IMOVW|S |IFCB1|S |Iaab"},
    };
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    for (const auto& [Line, Expected] : Cases)
        EXPECT_EQ(Scan(Syn, Line), Expected) << "line «" << Line << "»";
}

TEST(KvMAssemSyn, EachCpuFamilyHasItsOwnWordsAndLaterListsWin) {
    // CPU string, directives and mnemonics in its table, a line and its tokens.
    const std::tuple<const char*, int32_t, int32_t, const char*, const char*> Cases[] = {
        {"6811", 89, 145, "BRCLR WAV", "KBRCLR|S |IWAV"},
        {"68HC12", 89, 207, "WAV", "KWAV"},
        // PORT, SFR and BIT are directives and mnemonics of the 8051: the mnemonic wins.
        {"8051", 75, 70, "PORT port SFR BIT DB", "KPORT|S |Kport|S |KSFR|S |KBIT|S |DDB"},
        {"AT90S1200", 67, 89, "PORT ADIW", "DPORT|S |IADIW"},
        {"AT90S8515", 67, 100, "ADIW LDD", "KADIW|S |KLDD"},
    };
    TKvMAssemSyn Syn;
    for (const auto& [CPU, Directives, Keywords, Line, Expected] : Cases) {
        Syn.SetCPUTypeString(QString::fromLatin1(CPU));
        EXPECT_EQ(Syn.Keywords().Count(TAssemTokenKind::Directive), Directives) << CPU;
        EXPECT_EQ(Syn.Keywords().Count(TAssemTokenKind::Keyword), Keywords) << CPU;
        EXPECT_EQ(Scan(Syn, Line), Expected) << CPU;
    }
}

TEST(KvMAssemSyn, CpuTypeAndStringFollowEachOtherAndNotifyOnlyOnChange) {
    TKvMAssemSyn Syn;
    int Notes = 0;
    QObject::connect(&Syn, &TKvMAssemSyn::Changed, [&Notes] { ++Notes; });
    // Set the type, or the string unless null; then notifications, type, string, table size.
    const std::tuple<T, const char*, int, T, const char*, int32_t> Steps[] = {
        {T::KvCPU_6811, nullptr, 1, T::KvCPU_6811, "6811", 234},
        {T::KvCPU_6811, "6811", 0, T::KvCPU_6811, "6811", 234},
        {T::KvCPU_6811, nullptr, 0, T::KvCPU_6811, "6811", 234},
        {T::KvCPU_6811, "8051", 1, T::KvCPU_8051, "8051", 145},
        {T::KvCPU_6811, "68hc11", 1, T::KvCPU_Unknown, "68hc11", 0},
        {T::KvCPU_68HC12, nullptr, 1, T::KvCPU_68HC12, "68HC12", 296},
        {T::KvCPU_Unknown, nullptr, 1, T::KvCPU_Unknown, "", 0}, // also empties the table
        {T::KvCPU_Unknown, nullptr, 0, T::KvCPU_Unknown, "", 0},
        {T::KvCPU_Unknown, "", 0, T::KvCPU_Unknown, "", 0},
    };
    for (const auto& [SetType, SetString, WantNotes, Type, String, Entries] : Steps) {
        Notes = 0;
        SetString ? Syn.SetCPUTypeString(QString::fromLatin1(SetString)) : Syn.SetCPUType(SetType);
        EXPECT_EQ(Notes, WantNotes) << String;
        EXPECT_EQ(Syn.CPUType(), Type) << String;
        EXPECT_EQ(Syn.CPUTypeString(), QString::fromLatin1(String));
        EXPECT_EQ(Syn.Keywords().Count(), Entries) << String;
    }
}

} // namespace
