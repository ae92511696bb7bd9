#include "sourceview/KvMAssemSyn.h"

#include "sourceview/KvMAssemSynWords.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

const char* const CPUTypeNames[KvCPUTypeCount] = {
    "",       "Example", "6800",   "6301",      "6811",      "68HC12",    "68HC16",
    "87C750", "8051",    "8052",   "80C320",    "80C501",    "80C502",    "80C504",
    "80515",  "80517",   "80C251", "AT90S1200", "AT90S2313", "AT90S4414", "AT90S8515",
    "16C54",  "16C55",   "16C56",  "16C57",     "16C84",     "16C64",     "17C42",
};

constexpr bool InRange(uint8_t C, char Lo, char Hi) {
    return C >= static_cast<uint8_t>(Lo) && C <= static_cast<uint8_t>(Hi);
}

constexpr uint8_t UpCase(uint8_t C) {
    return InRange(C, 'a', 'z') ? static_cast<uint8_t>(C - ('a' - 'A')) : C;
}

bool IsSpaceByte(uint8_t C) {
    return C >= 1 && C <= 32 && C != 10 && C != 13;
}

bool IsHexDigit(uint8_t C) {
    return InRange(C, '0', '9') || InRange(C, 'A', 'F') || InRange(C, 'a', 'f');
}

// Digits, hex letters and the suffix/prefix letters of C, Intel and plain numbers.
bool IsNumberChar(uint8_t C) {
    return IsHexDigit(C) || C == 'H' || C == 'h' || C == 'O' || C == 'o' || C == 'x';
}

// Item separators are trimmed like blanks: every byte up to and including the blank.
bool IsTrimByte(char C) {
    return static_cast<uint8_t>(C) <= 32;
}

const uint8_t EmptyLine[1] = {0};

} // namespace

const char* KvCPUTypeName(TKvCPUType Type) {
    const auto Index = static_cast<uint32_t>(Type);
    return Index < KvCPUTypeCount ? CPUTypeNames[Index] : "";
}

const std::array<bool, 256> TKvMAssemSyn::IdentTable = [] {
    std::array<bool, 256> T{};
    for (int C = 0; C < 256; ++C) {
        const auto B = static_cast<uint8_t>(C);
        T[B] = B == '.' || B == '_' || InRange(B, '0', '9') || InRange(B, 'A', 'Z') ||
               InRange(B, 'a', 'z');
    }
    return T;
}();

// ---------------------------------------------------------------------------------------------
// Keyword table

void THashList::AddList(const char* List, TAssemTokenKind Kind) {
    const std::string Text(List);
    size_t Pos = 0;
    while (Pos <= Text.size()) {
        size_t Comma = Text.find(',', Pos);
        if (Comma == std::string::npos) Comma = Text.size();
        size_t First = Pos;
        size_t Last = Comma;
        while (First < Last && IsTrimByte(Text[First]))
            ++First;
        while (Last > First && IsTrimByte(Text[Last - 1]))
            --Last;
        if (First == Last) break; // the first empty item ends the list
        Add(Text.substr(First, Last - First), Kind);
        Pos = Comma + 1;
    }
}

void THashList::Add(std::string Word, TAssemTokenKind Kind) {
    // The bucket is the byte sum of the word's leading identifier run, as for a lookup.
    uint32_t Sum = 0;
    for (const char Ch : Word) {
        const auto C = static_cast<uint8_t>(Ch);
        if (!TKvMAssemSyn::IsIdentChar(C)) break;
        Sum += UpCase(C);
    }
    Buckets[Sum & 0xFFu].push_back(THashEntry{std::move(Word), Kind});
}

TAssemTokenKind THashList::Lookup(const uint8_t* Text, int32_t& RunLength) const {
    uint32_t Sum = 0;
    int32_t Length = 0;
    while (TKvMAssemSyn::IsIdentChar(Text[Length])) {
        Sum += UpCase(Text[Length]);
        ++Length;
    }
    RunLength = Length;
    TAssemTokenKind Result = TAssemTokenKind::Identifier;
    for (const THashEntry& Entry : Buckets[Sum & 0xFFu]) {
        if (static_cast<int32_t>(Entry.Word.size()) != Length) continue;
        int32_t I = 0;
        while (I < Length &&
               static_cast<uint8_t>(Entry.Word[static_cast<size_t>(I)]) == UpCase(Text[I]))
            ++I;
        if (I == Length) Result = Entry.Kind; // later entries override earlier ones
    }
    return Result;
}

int32_t THashList::Count() const {
    int32_t N = 0;
    for (const auto& Bucket : Buckets)
        N += static_cast<int32_t>(Bucket.size());
    return N;
}

int32_t THashList::Count(TAssemTokenKind Kind) const {
    int32_t N = 0;
    for (const auto& Bucket : Buckets)
        for (const THashEntry& Entry : Bucket)
            N += Entry.Kind == Kind ? 1 : 0;
    return N;
}

void THashList::Clear() {
    for (auto& Bucket : Buckets)
        Bucket.clear();
}

// ---------------------------------------------------------------------------------------------
// Construction and configuration

TKvMAssemSyn::TKvMAssemSyn(QObject* Owner) : QObject(Owner) {
    const char* const Names[9] = {"comment", "identifier", "illegal char", "keyword",  "number",
                                  "space",   "string",     "symbol",       "directive"};
    for (size_t I = 0; I < Attributes.size(); ++I) {
        Attributes[I] = std::make_unique<THighlighterAttribute>(QString::fromLatin1(Names[I]));
        Attributes[I]->OnChange = [this] { emit Changed(); };
    }
    // Defaults are set before the change routing matters: nobody is connected yet.
    CommentAttri()->SetStyle(static_cast<uint8_t>(TFontStyle::Italic));
    KeyAttri()->SetStyle(static_cast<uint8_t>(TFontStyle::Bold));
    SpaceAttri()->SetForeground(qGuiApp ? QGuiApplication::palette().color(QPalette::Base)
                                        : QColor(Qt::white));
    DirecAttri()->SetStyle(static_cast<uint8_t>(TFontStyle::Bold));

    BuildProcTable();
    BuildKeywordTable();
    FDefaultFilter =
        QStringLiteral("68HC11 Assembler files (*.hc11,*.asm,*.asc)|*.HC11;*.ASM;*.ASC");
    FLine = EmptyLine;
}

TKvMAssemSyn::~TKvMAssemSyn() {
    // Attributes die with the object; make sure none calls back into a half-destroyed one.
    for (auto& A : Attributes)
        A->OnChange = nullptr;
}

THighlighterAttribute* TKvMAssemSyn::Attribute(int Index) const {
    if (Index < 0 || Index >= AttrCount()) return nullptr;
    return Attributes[static_cast<size_t>(Index)].get();
}

THighlighterAttribute* TKvMAssemSyn::GetDefaultAttribute(int Role) const {
    switch (Role) {
    case RoleComment: return CommentAttri();
    case RoleIdentifier: return IdentifierAttri();
    case RoleKeyword: return KeyAttri();
    case RoleString: return StringAttri();
    case RoleWhitespace: return SpaceAttri();
    default: return nullptr;
    }
}

void TKvMAssemSyn::SetListMode(bool Value) {
    if (Value == FListMode) return;
    FListMode = Value;
    emit Changed();
}

void TKvMAssemSyn::SetNumberFormat(TKvNumberFormat Value) {
    if (Value == FNumberFormat) return;
    FNumberFormat = Value;
    emit Changed();
}

void TKvMAssemSyn::SetCPUTypeString(const QString& Value) {
    if (Value == FCPUTypeString) return;
    FCPUTypeString = Value;
    TKvCPUType Type = TKvCPUType::KvCPU_Unknown;
    for (int I = 1; I < KvCPUTypeCount; ++I)
        if (Value == QLatin1String(CPUTypeNames[I])) Type = static_cast<TKvCPUType>(I);
    // Finds the string already equal, so it only stores the type (or, for an unlisted
    // string, empties the string, which is put back right after).
    FSettingString = true;
    SetCPUType(Type);
    FSettingString = false;
    FCPUTypeString = Value;
    BuildKeywordTable();
    emit Changed();
}

void TKvMAssemSyn::SetCPUType(TKvCPUType Value) {
    if (Value == FCPUType) return;
    FCPUType = Value;
    if (Value != TKvCPUType::KvCPU_Unknown) {
        SetCPUTypeString(QString::fromLatin1(KvCPUTypeName(Value)));
    } else {
        FCPUTypeString.clear();
        // The keyword table always matches the string: with no CPU family the previous
        // family's words stop being keywords. (From SetCPUTypeString the caller rebuilds the
        // table and notifies itself.)
        if (!FSettingString && FKeywords.Count() > 0) {
            FKeywords.Clear();
            emit Changed();
        }
    }
    FCPUType = Value;
}

void TKvMAssemSyn::BuildKeywordTable() {
    namespace W = KvMAssemWords;
    constexpr auto D = TAssemTokenKind::Directive;
    constexpr auto K = TAssemTokenKind::Keyword;
    const QString& S = FCPUTypeString;
    auto Is = [&S](std::initializer_list<const char*> Names) {
        for (const char* N : Names)
            if (S == QLatin1String(N)) return true;
        return false;
    };
    FKeywords.Clear();
    if (Is({"6800", "6301", "6811"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::Directives6800, D);
        FKeywords.AddList(W::Mnemonics6811, K);
    }
    if (Is({"68HC12"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::Directives6800, D);
        FKeywords.AddList(W::Mnemonics6811, K);
        FKeywords.AddList(W::Mnemonics68HC12, K);
    }
    if (Is({"68HC16"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::Directives6800, D);
        FKeywords.AddList(W::Mnemonics68HC16, K);
    }
    if (Is({"AT90S1200"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::DirectivesAVR, D);
        FKeywords.AddList(W::MnemonicsAVR, K);
    }
    if (Is({"AT90S2313", "AT90S4414", "AT90S8515"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::DirectivesAVR, D);
        FKeywords.AddList(W::MnemonicsAVR, K);
        FKeywords.AddList(W::MnemonicsAVRExtra, K);
    }
    if (Is({"87C750", "8051", "8052", "80C320", "80C501", "80C502", "80C504", "80515", "80517",
            "80C251"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::Directives8051, D);
        FKeywords.AddList(W::Mnemonics8051, K);
    }
    if (Is({"16C54", "16C55", "16C56", "16C57"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::DirectivesPIC, D);
        FKeywords.AddList(W::MnemonicsPIC, K);
        FKeywords.AddList(W::MnemonicsPIC12, K);
    }
    if (Is({"16C84", "16C64"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::DirectivesPIC, D);
        FKeywords.AddList(W::MnemonicsPIC, K);
        FKeywords.AddList(W::MnemonicsPIC14, K);
    }
    if (Is({"17C42"})) {
        FKeywords.AddList(W::CommonDirectives, D);
        FKeywords.AddList(W::DirectivesPIC, D);
        FKeywords.AddList(W::MnemonicsPIC, K);
        FKeywords.AddList(W::MnemonicsPIC17, K);
    }
    if (Is({"Example"})) {
        FKeywords.AddList(W::ExampleDirectives, D);
        FKeywords.AddList(W::ExampleKeywords, K);
    }
}

// ---------------------------------------------------------------------------------------------
// Scanner

void TKvMAssemSyn::BuildProcTable() {
    for (int I = 0; I < 256; ++I) {
        const auto C = static_cast<uint8_t>(I);
        TTokenProc P = &TKvMAssemSyn::UnknownProc;
        if (C == 0)
            P = &TKvMAssemSyn::NullProc;
        else if (C == 10)
            P = &TKvMAssemSyn::LFProc;
        else if (C == 13)
            P = &TKvMAssemSyn::CRProc;
        else if (C <= 32)
            P = &TKvMAssemSyn::SpaceProc;
        else if (C == '"')
            P = &TKvMAssemSyn::DoubleQuoteStringProc;
        else if (C == '\'')
            P = &TKvMAssemSyn::SingleQuoteStringProc;
        else if (C == '#' || C == '*' || C == ',' || C == ':')
            P = &TKvMAssemSyn::SymbolProc;
        else if (C == '$')
            P = &TKvMAssemSyn::HexNumberProc;
        else if (C == '%')
            P = &TKvMAssemSyn::BinaryNumberProc;
        else if (C == '(')
            P = &TKvMAssemSyn::RoundOpenProc;
        else if (C == ')')
            P = &TKvMAssemSyn::RoundCloseProc;
        else if (InRange(C, '0', '9'))
            P = &TKvMAssemSyn::NumberProc;
        else if (C == ';')
            P = &TKvMAssemSyn::CommentProc;
        else if (InRange(C, 'A', 'Z') || InRange(C, 'a', 'z') || C == '_')
            P = &TKvMAssemSyn::IdentProc;
        FProcTable[C] = P;
    }
}

void TKvMAssemSyn::SetLine(const char* Line, int32_t /*LineNumber*/) {
    FLine = Line ? reinterpret_cast<const uint8_t*>(Line) : EmptyLine;
    FRun = 0;
    Next();
}

void TKvMAssemSyn::Next() {
    FTokenStart = FRun;
    (this->*FProcTable[At(FRun)])();
}

std::string TKvMAssemSyn::GetToken() const {
    return std::string(reinterpret_cast<const char*>(FLine) + FTokenStart,
                       static_cast<size_t>(FRun - FTokenStart));
}

int TKvMAssemSyn::AttributeIndexOf(TAssemTokenKind Kind) {
    // Unknown characters are painted like identifiers; no kind uses "illegal char".
    static constexpr int Index[10] = {0, 8, 1, 3, -1, 4, 5, 6, 7, 1};
    const auto K = static_cast<uint32_t>(Kind);
    return K < 10 ? Index[K] : -1;
}

THighlighterAttribute* TKvMAssemSyn::GetTokenAttribute() const {
    const int Index = GetTokenAttributeIndex();
    return Index < 0 ? nullptr : Attributes[static_cast<size_t>(Index)].get();
}

void TKvMAssemSyn::NullProc() {
    FTokenKind = TAssemTokenKind::Null;
}

void TKvMAssemSyn::SpaceProc() {
    FTokenKind = TAssemTokenKind::Space;
    ++FRun;
    while (IsSpaceByte(At(FRun)))
        ++FRun;
}

void TKvMAssemSyn::LFProc() {
    FTokenKind = TAssemTokenKind::Space;
    ++FRun;
}

void TKvMAssemSyn::CRProc() {
    FTokenKind = TAssemTokenKind::Space;
    ++FRun;
    if (At(FRun) == 10) ++FRun;
}

void TKvMAssemSyn::CommentProc() {
    FTokenKind = TAssemTokenKind::Comment;
    ++FRun;
    while (At(FRun) != 0 && At(FRun) != 10 && At(FRun) != 13)
        ++FRun;
}

void TKvMAssemSyn::SymbolProc() {
    FTokenKind = TAssemTokenKind::Symbol;
    ++FRun;
}

// Parentheses are plain symbols; no nesting state affects the output.
void TKvMAssemSyn::RoundOpenProc() {
    SymbolProc();
}
void TKvMAssemSyn::RoundCloseProc() {
    SymbolProc();
}

void TKvMAssemSyn::UnknownProc() {
    FTokenKind = TAssemTokenKind::Unknown;
    ++FRun;
}

void TKvMAssemSyn::HexNumberProc() {
    FTokenKind = TAssemTokenKind::Number;
    ++FRun;
    while (IsHexDigit(At(FRun)))
        ++FRun;
}

void TKvMAssemSyn::BinaryNumberProc() {
    FTokenKind = TAssemTokenKind::Number;
    ++FRun;
    while (At(FRun) == '0' || At(FRun) == '1')
        ++FRun;
}

void TKvMAssemSyn::NumberProc() {
    FTokenKind = TAssemTokenKind::Number;
    ++FRun;
    while (IsNumberChar(At(FRun)))
        ++FRun;
}

void TKvMAssemSyn::DoubleQuoteStringProc() {
    StringProc('"');
}
void TKvMAssemSyn::SingleQuoteStringProc() {
    StringProc('\'');
}

// A quote doubled right after the opening quote is skipped; otherwise the next quote closes
// the string, so a doubled quote later on splits it into two tokens. An unterminated string
// runs to the end of the line.
void TKvMAssemSyn::StringProc(uint8_t Quote) {
    FTokenKind = TAssemTokenKind::String;
    if (At(FRun + 1) == Quote && At(FRun + 2) == Quote) FRun += 2;
    for (;;) {
        const uint8_t C = At(FRun);
        if (C == 0 || C == 10 || C == 13) break;
        ++FRun;
        if (At(FRun) == Quote) break;
    }
    if (At(FRun) != 0) ++FRun;
}

void TKvMAssemSyn::IdentProc() {
    FTokenKind = FKeywords.Lookup(FLine + FRun, FKeywordLength);
    FRun += FKeywordLength;
    while (IsIdentChar(At(FRun)))
        ++FRun;
}
