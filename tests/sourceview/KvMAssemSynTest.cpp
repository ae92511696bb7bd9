// The assembler scanner, tested directly on byte strings.
#include "sourceview/KvMAssemSyn.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using K = TAssemTokenKind;
using TTokens = std::vector<std::pair<K, std::string>>;

TTokens Scan(TKvMAssemSyn& Syn, const std::string& Line) {
    TTokens Result;
    Syn.SetLine(Line.c_str(), 1);
    while (!Syn.GetEol()) {
        EXPECT_GT(Syn.GetTokenLength(), 0) << "token of no length in «" << Line << "»";
        Result.emplace_back(Syn.GetTokenID(), Syn.GetToken());
        Syn.Next();
        if (Result.size() > Line.size()) break; // a scanner that stops advancing
    }
    return Result;
}

std::string KindName(K Kind) {
    static const char* const Names[] = {"Comment", "Directive", "Identifier", "Keyword", "Null",
                                        "Number",  "Space",     "String",     "Symbol",  "Unknown"};
    return Names[static_cast<int>(Kind)];
}

std::string Describe(const TTokens& Tokens) {
    std::string S;
    for (const auto& [Kind, Text] : Tokens)
        S += KindName(Kind) + "«" + Text + "» ";
    return S;
}

struct TScanCase {
    std::string Line;
    TTokens Expected;
};

void ExpectScans(TKvMAssemSyn& Syn, const std::vector<TScanCase>& Cases) {
    for (const auto& C : Cases)
        EXPECT_EQ(Describe(Scan(Syn, C.Line)), Describe(C.Expected)) << "line «" << C.Line << "»";
}

TEST(KvMAssemSyn, EmptyLineIsOneNullTokenAtPositionZero) {
    TKvMAssemSyn Syn;
    Syn.SetLine("", 1);
    EXPECT_TRUE(Syn.GetEol());
    EXPECT_EQ(Syn.GetTokenKind(), 4);
    EXPECT_EQ(Syn.GetTokenPos(), 0);
    EXPECT_EQ(Syn.GetTokenAttribute(), nullptr);
    Syn.Next(); // further calls keep returning Null
    EXPECT_TRUE(Syn.GetEol());
    EXPECT_EQ(Syn.GetTokenPos(), 0);
}

TEST(KvMAssemSyn, SplitsTokensAtTheirBoundaries) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    ExpectScans(
        Syn, {
                 {"LDAA #$1F ; load",
                  {{K::Keyword, "LDAA"},
                   {K::Space, " "},
                   {K::Symbol, "#"},
                   {K::Number, "$1F"},
                   {K::Space, " "},
                   {K::Comment, "; load"}}},
                 {"loop:", {{K::Identifier, "loop"}, {K::Symbol, ":"}}},
                 {"1st", {{K::Number, "1"}, {K::Identifier, "st"}}},
                 {"org", {{K::Directive, "org"}}},
                 {".org", {{K::Unknown, "."}, {K::Directive, "org"}}},
                 {"DC.B 1,2",
                  {{K::Directive, "DC.B"},
                   {K::Space, " "},
                   {K::Number, "1"},
                   {K::Symbol, ","},
                   {K::Number, "2"}}},
                 {"LDAA.X", {{K::Identifier, "LDAA.X"}}},
                 {"a1.b_2+x", {{K::Identifier, "a1.b_2"}, {K::Unknown, "+"}, {K::Identifier, "x"}}},
                 {"_start", {{K::Identifier, "_start"}}},
                 {"=", {{K::Unknown, "="}}},
                 {":=", {{K::Symbol, ":"}, {K::Unknown, "="}}},
                 {"(x)*2",
                  {{K::Symbol, "("},
                   {K::Identifier, "x"},
                   {K::Symbol, ")"},
                   {K::Symbol, "*"},
                   {K::Number, "2"}}},
                 {"!&-/<>?@[\\]^`{|}~",
                  {{K::Unknown, "!"},
                   {K::Unknown, "&"},
                   {K::Unknown, "-"},
                   {K::Unknown, "/"},
                   {K::Unknown, "<"},
                   {K::Unknown, ">"},
                   {K::Unknown, "?"},
                   {K::Unknown, "@"},
                   {K::Unknown, "["},
                   {K::Unknown, "\\"},
                   {K::Unknown, "]"},
                   {K::Unknown, "^"},
                   {K::Unknown, "`"},
                   {K::Unknown, "{"},
                   {K::Unknown, "|"},
                   {K::Unknown, "}"},
                   {K::Unknown, "~"}}},
                 {"; only a comment", {{K::Comment, "; only a comment"}}},
                 {"x;a'b\"", {{K::Identifier, "x"}, {K::Comment, ";a'b\""}}},
             });
}

TEST(KvMAssemSyn, ScansSpacesAndLineBreaks) {
    TKvMAssemSyn Syn;
    ExpectScans(Syn,
                {
                    {"\t \x01\x1F"
                     "a",
                     {{K::Space, "\t \x01\x1F"}, {K::Identifier, "a"}}},
                    {"a\rb", {{K::Identifier, "a"}, {K::Space, "\r"}, {K::Identifier, "b"}}},
                    {"a\r\nb", {{K::Identifier, "a"}, {K::Space, "\r\n"}, {K::Identifier, "b"}}},
                    {"\n\n", {{K::Space, "\n"}, {K::Space, "\n"}}},
                    {" \r", {{K::Space, " "}, {K::Space, "\r"}}},
                    {"; x\ry", {{K::Comment, "; x"}, {K::Space, "\r"}, {K::Identifier, "y"}}},
                    {"; x\ny", {{K::Comment, "; x"}, {K::Space, "\n"}, {K::Identifier, "y"}}},
                });
}

TEST(KvMAssemSyn, ScansNumbersOfEveryFormatAtOnce) {
    TKvMAssemSyn Syn;
    ExpectScans(Syn, {
                         {"0x1F", {{K::Number, "0x1F"}}},
                         {"0X1F", {{K::Number, "0"}, {K::Identifier, "X1F"}}},
                         {"0FFh", {{K::Number, "0FFh"}}},
                         {"17o", {{K::Number, "17o"}}},
                         {"0AbcdefH", {{K::Number, "0AbcdefH"}}},
                         {"12q", {{K::Number, "12"}, {K::Identifier, "q"}}},
                         {"$", {{K::Number, "$"}}},
                         {"%", {{K::Number, "%"}}},
                         {"$fg", {{K::Number, "$f"}, {K::Identifier, "g"}}},
                         {"$1fH", {{K::Number, "$1f"}, {K::Identifier, "H"}}},
                         {"%102", {{K::Number, "%10"}, {K::Number, "2"}}},
                         {"%1a", {{K::Number, "%1"}, {K::Identifier, "a"}}},
                     });
}

TEST(KvMAssemSyn, ScansStringsWithQuotesAsStored) {
    TKvMAssemSyn Syn;
    ExpectScans(Syn, {
                         {"'AB'", {{K::String, "'AB'"}}},
                         {"''", {{K::String, "''"}}},
                         {"'it''s'", {{K::String, "'it'"}, {K::String, "'s'"}}},
                         {"'''x'", {{K::String, "'''x'"}}},
                         {"\"a;b\"c", {{K::String, "\"a;b\""}, {K::Identifier, "c"}}},
                         {"\"a'b\"", {{K::String, "\"a'b\""}}},
                         {"'abc", {{K::String, "'abc"}}},
                         {"'", {{K::String, "'"}}},
                         {"'ab\rc", {{K::String, "'ab\r"}, {K::Identifier, "c"}}},
                         {"'\xE4'", {{K::String, "'\xE4'"}}},
                     });
}

TEST(KvMAssemSyn, BytesAbove127AreSingleUnknownTokens) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    ExpectScans(Syn, {
                         {"\x80", {{K::Unknown, "\x80"}}},
                         {"A\xC3\xA4"
                          "B",
                          {{K::Identifier, "A"},
                           {K::Unknown, "\xC3"},
                           {K::Unknown, "\xA4"},
                           {K::Identifier, "B"}}},
                         {"1\xFF", {{K::Number, "1"}, {K::Unknown, "\xFF"}}},
                         {"LDAA\xA0", {{K::Keyword, "LDAA"}, {K::Unknown, "\xA0"}}},
                     });
    Syn.SetLine("\xFF", 1);
    EXPECT_EQ(Syn.GetTokenAttribute(), Syn.IdentifierAttri());
}

TEST(KvMAssemSyn, LineEndsAtItsFirstNulByte) {
    TKvMAssemSyn Syn;
    const char Line[] = {'A', 'B', '\0', 'C', 'D', '\0'};
    Syn.SetLine(Line, 1);
    EXPECT_EQ(Syn.GetToken(), "AB");
    Syn.Next();
    EXPECT_TRUE(Syn.GetEol());
    EXPECT_EQ(Syn.GetTokenPos(), 2);
}

TEST(KvMAssemSyn, KeywordsIgnoreCaseButNotTheCpuString) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    for (const char* W : {"ldaa", "Ldaa", "LDAA", "lDaA", "xgdy", "aba"})
        EXPECT_EQ(Scan(Syn, W), (TTokens{{K::Keyword, W}})) << W;
    for (const char* W : {"equ", "Fcb", "FCC", "dc.w", "rmb", "END", "while"})
        EXPECT_EQ(Scan(Syn, W), (TTokens{{K::Directive, W}})) << W;
    for (const char* W : {"ldaax", "ld", "lds.", "MOVW", "EQUx", "FCB1"})
        EXPECT_EQ(Scan(Syn, W), (TTokens{{K::Identifier, W}})) << W;
}

TEST(KvMAssemSyn, LaterListsWinForWordsInBothLists) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("8051"));
    for (const char* W : {"PORT", "port", "SFR", "SFRB", "BIT", "mov", "JNB"})
        EXPECT_EQ(Scan(Syn, W), (TTokens{{K::Keyword, W}})) << W;
    for (const char* W : {"DB", "srcmode", "org"})
        EXPECT_EQ(Scan(Syn, W), (TTokens{{K::Directive, W}})) << W;
    Syn.SetCPUTypeString(QStringLiteral("AT90S1200"));
    EXPECT_EQ(Scan(Syn, "PORT"), (TTokens{{K::Directive, "PORT"}}));
    EXPECT_EQ(Scan(Syn, "ADIW"), (TTokens{{K::Identifier, "ADIW"}}));
    Syn.SetCPUTypeString(QStringLiteral("AT90S8515"));
    EXPECT_EQ(Scan(Syn, "ADIW"), (TTokens{{K::Keyword, "ADIW"}}));
    EXPECT_EQ(Scan(Syn, "LDD"), (TTokens{{K::Keyword, "LDD"}}));
}

TEST(KvMAssemSyn, BuildsTheKeywordTableOfEachCpuFamily) {
    struct TCase {
        const char* CPU;
        int32_t Directives;
        int32_t Keywords;
        const char* Keyword; // one word that must be a keyword
    };
    const TCase Cases[] = {
        {"6800", 89, 145, "XGDY"},     {"6301", 89, 145, "ABA"},
        {"6811", 89, 145, "BRCLR"},    {"68HC12", 89, 207, "WAV"},
        {"68HC16", 89, 272, "LBEV"},   {"AT90S1200", 67, 89, "WDR"},
        {"AT90S2313", 67, 100, "POP"}, {"AT90S4414", 67, 100, "ADIW"},
        {"AT90S8515", 67, 100, "LPM"}, {"87C750", 75, 70, "JNB"},
        {"8051", 75, 70, "CJNE"},      {"8052", 75, 70, "MOVX"},
        {"80C320", 75, 70, "SJMP"},    {"80C501", 75, 70, "ACALL"},
        {"80C502", 75, 70, "DJNZ"},    {"80C504", 75, 70, "XCHD"},
        {"80515", 75, 70, "RETI"},     {"80517", 75, 70, "SWAP"},
        {"80C251", 75, 70, "ERET"},    {"16C54", 67, 33, "TRIS"},
        {"16C55", 67, 33, "OPTION"},   {"16C56", 67, 33, "RRF"},
        {"16C57", 67, 33, "CLRW"},     {"16C84", 67, 35, "RETFIE"},
        {"16C64", 67, 35, "SUBLW"},    {"17C42", 67, 58, "TLWT"},
        {"Example", 1, 1, "KEYWORD"},
    };
    TKvMAssemSyn Syn;
    for (const auto& C : Cases) {
        Syn.SetCPUTypeString(QString::fromLatin1(C.CPU));
        EXPECT_EQ(Syn.Keywords().Count(K::Directive), C.Directives) << C.CPU;
        EXPECT_EQ(Syn.Keywords().Count(K::Keyword), C.Keywords) << C.CPU;
        EXPECT_EQ(Scan(Syn, C.Keyword), (TTokens{{K::Keyword, C.Keyword}})) << C.CPU;
    }
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    EXPECT_EQ(Syn.Keywords().Count(), 234);
    // Unlisted strings, including near misses, leave the table empty.
    for (const char* S : {"68hc11", "6811 ", "example", "HC11"}) {
        Syn.SetCPUTypeString(QString::fromLatin1(S));
        EXPECT_EQ(Syn.Keywords().Count(), 0) << S;
        EXPECT_EQ(Syn.CPUType(), TKvCPUType::KvCPU_Unknown) << S;
        EXPECT_EQ(Syn.CPUTypeString(), QString::fromLatin1(S));
        EXPECT_EQ(Scan(Syn, "LDAA"), (TTokens{{K::Identifier, "LDAA"}})) << S;
    }
}

TEST(KvMAssemSyn, HashListAddsItemsUntilTheFirstEmptyOne) {
    THashList List;
    List.AddList(" A ,\tB\t, C,,D", K::Keyword);
    EXPECT_EQ(List.Count(), 3);
    int32_t Run = 0;
    EXPECT_EQ(List.Lookup(reinterpret_cast<const uint8_t*>("b+"), Run), K::Keyword);
    EXPECT_EQ(Run, 1);
    EXPECT_EQ(List.Lookup(reinterpret_cast<const uint8_t*>("D"), Run), K::Identifier);
    // The last matching entry of a bucket wins.
    List.Add("B", K::Directive);
    EXPECT_EQ(List.Lookup(reinterpret_cast<const uint8_t*>("B"), Run), K::Directive);
    // Words whose bytes sum to the same bucket stay apart: "AD" and "DA".
    List.Add("AD", K::Keyword);
    EXPECT_EQ(List.Lookup(reinterpret_cast<const uint8_t*>("DA"), Run), K::Identifier);
    EXPECT_EQ(Run, 2);
}

TEST(KvMAssemSyn, CpuTypeAndStringFollowEachOtherAndNotifyOnce) {
    TKvMAssemSyn Syn;
    int Notes = 0;
    QObject::connect(&Syn, &TKvMAssemSyn::Changed, [&Notes] { ++Notes; });
    EXPECT_EQ(Syn.CPUType(), TKvCPUType::KvCPU_Unknown);
    EXPECT_TRUE(Syn.CPUTypeString().isEmpty());
    EXPECT_EQ(Syn.Keywords().Count(), 0);

    struct TStep {
        const char* What;
        std::function<void()> Do;
        int Notes;
        TKvCPUType Type;
        QString String;
        int32_t Entries;
    };
    const std::vector<TStep> Steps = {
        {"type 6811", [&] { Syn.SetCPUType(TKvCPUType::KvCPU_6811); }, 1, TKvCPUType::KvCPU_6811,
         "6811", 234},
        {"string 6811 again", [&] { Syn.SetCPUTypeString("6811"); }, 0, TKvCPUType::KvCPU_6811,
         "6811", 234},
        {"type 6811 again", [&] { Syn.SetCPUType(TKvCPUType::KvCPU_6811); }, 0,
         TKvCPUType::KvCPU_6811, "6811", 234},
        {"string 8051", [&] { Syn.SetCPUTypeString("8051"); }, 1, TKvCPUType::KvCPU_8051, "8051",
         145},
        {"unlisted string", [&] { Syn.SetCPUTypeString("68hc11"); }, 1, TKvCPUType::KvCPU_Unknown,
         "68hc11", 0},
        {"type 68HC12", [&] { Syn.SetCPUType(TKvCPUType::KvCPU_68HC12); }, 1,
         TKvCPUType::KvCPU_68HC12, "68HC12", 296},
        {"type Unknown", [&] { Syn.SetCPUType(TKvCPUType::KvCPU_Unknown); }, 1,
         TKvCPUType::KvCPU_Unknown, "", 0},
        {"type Unknown again", [&] { Syn.SetCPUType(TKvCPUType::KvCPU_Unknown); }, 0,
         TKvCPUType::KvCPU_Unknown, "", 0},
        {"empty string", [&] { Syn.SetCPUTypeString(""); }, 0, TKvCPUType::KvCPU_Unknown, "", 0},
        {"type Example", [&] { Syn.SetCPUType(TKvCPUType::KvCPU_Example); }, 1,
         TKvCPUType::KvCPU_Example, "Example", 2},
    };
    for (const auto& S : Steps) {
        Notes = 0;
        S.Do();
        EXPECT_EQ(Notes, S.Notes) << S.What;
        EXPECT_EQ(Syn.CPUType(), S.Type) << S.What;
        EXPECT_EQ(Syn.CPUTypeString(), S.String) << S.What;
        EXPECT_EQ(Syn.Keywords().Count(), S.Entries) << S.What;
    }
}

TEST(KvMAssemSyn, EveryCpuTypeHasTheStringOfItsName) {
    TKvMAssemSyn Syn;
    for (int I = 1; I < KvCPUTypeCount; ++I) {
        const auto Type = static_cast<TKvCPUType>(I);
        Syn.SetCPUType(Type);
        EXPECT_EQ(Syn.CPUTypeString(), QString::fromLatin1(KvCPUTypeName(Type)));
        EXPECT_GT(Syn.Keywords().Count(), 0) << KvCPUTypeName(Type);
        Syn.SetCPUTypeString(QStringLiteral("none"));
        Syn.SetCPUTypeString(QString::fromLatin1(KvCPUTypeName(Type)));
        EXPECT_EQ(Syn.CPUType(), Type);
    }
}

TEST(KvMAssemSyn, ListModeNumberFormatAndAttributesOnlyNotify) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    const std::string Line = "loop: LDAA #$1F ; x 0x10 17o %101 'a''b'";
    const TTokens Before = Scan(Syn, Line);
    int Notes = 0;
    QObject::connect(&Syn, &TKvMAssemSyn::Changed, [&Notes] { ++Notes; });
    Syn.SetListMode(true);
    Syn.SetListMode(true);
    EXPECT_EQ(Notes, 1);
    for (auto F : {TKvNumberFormat::KvNF_IntelMode, TKvNumberFormat::KvNF_MotorolaMode,
                   TKvNumberFormat::KvNF_RelaxedMode, TKvNumberFormat::KvNF_RelaxedMode}) {
        Syn.SetNumberFormat(F);
        EXPECT_EQ(Scan(Syn, Line), Before);
    }
    EXPECT_EQ(Notes, 4);
    Syn.KeyAttri()->SetForeground(Qt::red);
    Syn.SymbolAttri()->SetStyle(TFontStyle::Bold | TFontStyle::Underline);
    Syn.CommentAttri()->SetBackground(Qt::yellow);
    Syn.CommentAttri()->SetBackground(Qt::yellow); // unchanged
    EXPECT_EQ(Notes, 7);
}

TEST(KvMAssemSyn, HasNineAttributesInOrderWithTheirDefaults) {
    TKvMAssemSyn Syn;
    const char* const Names[] = {"comment", "identifier", "illegal char", "keyword",  "number",
                                 "space",   "string",     "symbol",       "directive"};
    ASSERT_EQ(Syn.AttrCount(), 9);
    for (int I = 0; I < 9; ++I)
        EXPECT_EQ(Syn.Attribute(I)->Name(), QString::fromLatin1(Names[I]));
    EXPECT_EQ(Syn.Attribute(9), nullptr);
    EXPECT_EQ(Syn.CommentAttri()->Style(), static_cast<uint8_t>(TFontStyle::Italic));
    EXPECT_EQ(Syn.KeyAttri()->Style(), static_cast<uint8_t>(TFontStyle::Bold));
    EXPECT_EQ(Syn.DirecAttri()->Style(), static_cast<uint8_t>(TFontStyle::Bold));
    EXPECT_TRUE(Syn.SpaceAttri()->Foreground().isValid());
    for (auto* A : {Syn.IdentifierAttri(), Syn.InvalidAttri(), Syn.NumberAttri(), Syn.StringAttri(),
                    Syn.SymbolAttri()}) {
        EXPECT_FALSE(A->Foreground().isValid()) << A->Name().toStdString();
        EXPECT_FALSE(A->Background().isValid());
        EXPECT_EQ(A->Style(), 0);
    }
    EXPECT_EQ(Syn.GetDefaultAttribute(TKvMAssemSyn::RoleComment), Syn.CommentAttri());
    EXPECT_EQ(Syn.GetDefaultAttribute(TKvMAssemSyn::RoleIdentifier), Syn.IdentifierAttri());
    EXPECT_EQ(Syn.GetDefaultAttribute(TKvMAssemSyn::RoleKeyword), Syn.KeyAttri());
    EXPECT_EQ(Syn.GetDefaultAttribute(TKvMAssemSyn::RoleString), Syn.StringAttri());
    EXPECT_EQ(Syn.GetDefaultAttribute(TKvMAssemSyn::RoleWhitespace), Syn.SpaceAttri());
    EXPECT_EQ(Syn.GetDefaultAttribute(5), nullptr);
    EXPECT_EQ(Syn.DefaultFilter(),
              QStringLiteral("68HC11 Assembler files (*.hc11,*.asm,*.asc)|*.HC11;*.ASM;*.ASC"));
}

TEST(KvMAssemSyn, PaintsEachTokenKindWithItsAttribute) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    const std::pair<const char*, THighlighterAttribute*> Cases[] = {
        {";c", Syn.CommentAttri()}, {"org", Syn.DirecAttri()}, {"x", Syn.IdentifierAttri()},
        {"nop", Syn.KeyAttri()},    {"1", Syn.NumberAttri()},  {" ", Syn.SpaceAttri()},
        {"'s'", Syn.StringAttri()}, {",", Syn.SymbolAttri()},  {"?", Syn.IdentifierAttri()},
    };
    for (const auto& [Line, Attr] : Cases) {
        Syn.SetLine(Line, 1);
        EXPECT_EQ(Syn.GetTokenAttribute(), Attr) << Line;
    }
}

} // namespace
