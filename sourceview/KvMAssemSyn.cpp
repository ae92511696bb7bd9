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
    DefaultFilterField =
        QStringLiteral("68HC11 Assembler files (*.hc11,*.asm,*.asc)|*.HC11;*.ASM;*.ASC");
    LineField = EmptyLine;
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
    if (Value == ListModeField) return;
    ListModeField = Value;
    emit Changed();
}

void TKvMAssemSyn::SetNumberFormat(TKvNumberFormat Value) {
    if (Value == NumberFormatField) return;
    NumberFormatField = Value;
    emit Changed();
}

void TKvMAssemSyn::SetCPUTypeString(const QString& Value) {
    if (Value == CPUTypeStringField) return;
    CPUTypeStringField = Value;
    TKvCPUType Type = TKvCPUType::KvCPU_Unknown;
    for (int I = 1; I < KvCPUTypeCount; ++I)
        if (Value == QLatin1String(CPUTypeNames[I])) Type = static_cast<TKvCPUType>(I);
    // Finds the string already equal, so it only stores the type (or, for an unlisted
    // string, empties the string, which is put back right after).
    SettingString = true;
    SetCPUType(Type);
    SettingString = false;
    CPUTypeStringField = Value;
    BuildKeywordTable();
    emit Changed();
}

void TKvMAssemSyn::SetCPUType(TKvCPUType Value) {
    if (Value == CPUTypeField) return;
    CPUTypeField = Value;
    if (Value != TKvCPUType::KvCPU_Unknown) {
        SetCPUTypeString(QString::fromLatin1(KvCPUTypeName(Value)));
    } else {
        CPUTypeStringField.clear();
        // The keyword table always matches the string: with no CPU family the previous
        // family's words stop being keywords. (From SetCPUTypeString the caller rebuilds the
        // table and notifies itself.)
        if (!SettingString && KeywordsField.Count() > 0) {
            KeywordsField.Clear();
            emit Changed();
        }
    }
    CPUTypeField = Value;
}

void TKvMAssemSyn::BuildKeywordTable() {
    namespace W = KvMAssemWords;
    constexpr auto D = TAssemTokenKind::Directive;
    constexpr auto K = TAssemTokenKind::Keyword;
    const QString& S = CPUTypeStringField;
    auto Is = [&S](std::initializer_list<const char*> Names) {
        for (const char* N : Names)
            if (S == QLatin1String(N)) return true;
        return false;
    };
    KeywordsField.Clear();
    if (Is({"6800", "6301", "6811"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::Directives6800, D);
        KeywordsField.AddList(W::Mnemonics6811, K);
    }
    if (Is({"68HC12"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::Directives6800, D);
        KeywordsField.AddList(W::Mnemonics6811, K);
        KeywordsField.AddList(W::Mnemonics68HC12, K);
    }
    if (Is({"68HC16"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::Directives6800, D);
        KeywordsField.AddList(W::Mnemonics68HC16, K);
    }
    if (Is({"AT90S1200"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::DirectivesAVR, D);
        KeywordsField.AddList(W::MnemonicsAVR, K);
    }
    if (Is({"AT90S2313", "AT90S4414", "AT90S8515"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::DirectivesAVR, D);
        KeywordsField.AddList(W::MnemonicsAVR, K);
        KeywordsField.AddList(W::MnemonicsAVRExtra, K);
    }
    if (Is({"87C750", "8051", "8052", "80C320", "80C501", "80C502", "80C504", "80515", "80517",
            "80C251"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::Directives8051, D);
        KeywordsField.AddList(W::Mnemonics8051, K);
    }
    if (Is({"16C54", "16C55", "16C56", "16C57"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::DirectivesPIC, D);
        KeywordsField.AddList(W::MnemonicsPIC, K);
        KeywordsField.AddList(W::MnemonicsPIC12, K);
    }
    if (Is({"16C84", "16C64"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::DirectivesPIC, D);
        KeywordsField.AddList(W::MnemonicsPIC, K);
        KeywordsField.AddList(W::MnemonicsPIC14, K);
    }
    if (Is({"17C42"})) {
        KeywordsField.AddList(W::CommonDirectives, D);
        KeywordsField.AddList(W::DirectivesPIC, D);
        KeywordsField.AddList(W::MnemonicsPIC, K);
        KeywordsField.AddList(W::MnemonicsPIC17, K);
    }
    if (Is({"Example"})) {
        KeywordsField.AddList(W::ExampleDirectives, D);
        KeywordsField.AddList(W::ExampleKeywords, K);
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
        ProcTable[C] = P;
    }
}

void TKvMAssemSyn::SetLine(const char* Line, int32_t /*LineNumber*/) {
    LineField = Line ? reinterpret_cast<const uint8_t*>(Line) : EmptyLine;
    Run = 0;
    Next();
}

void TKvMAssemSyn::Next() {
    TokenStart = Run;
    (this->*ProcTable[At(Run)])();
}

std::string TKvMAssemSyn::GetToken() const {
    return std::string(reinterpret_cast<const char*>(LineField) + TokenStart,
                       static_cast<size_t>(Run - TokenStart));
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
    TokenKind = TAssemTokenKind::Null;
}

void TKvMAssemSyn::SpaceProc() {
    TokenKind = TAssemTokenKind::Space;
    ++Run;
    while (IsSpaceByte(At(Run)))
        ++Run;
}

void TKvMAssemSyn::LFProc() {
    TokenKind = TAssemTokenKind::Space;
    ++Run;
}

void TKvMAssemSyn::CRProc() {
    TokenKind = TAssemTokenKind::Space;
    ++Run;
    if (At(Run) == 10) ++Run;
}

void TKvMAssemSyn::CommentProc() {
    TokenKind = TAssemTokenKind::Comment;
    ++Run;
    while (At(Run) != 0 && At(Run) != 10 && At(Run) != 13)
        ++Run;
}

void TKvMAssemSyn::SymbolProc() {
    TokenKind = TAssemTokenKind::Symbol;
    ++Run;
}

// Parentheses are plain symbols; no nesting state affects the output.
void TKvMAssemSyn::RoundOpenProc() {
    SymbolProc();
}
void TKvMAssemSyn::RoundCloseProc() {
    SymbolProc();
}

void TKvMAssemSyn::UnknownProc() {
    TokenKind = TAssemTokenKind::Unknown;
    ++Run;
}

void TKvMAssemSyn::HexNumberProc() {
    TokenKind = TAssemTokenKind::Number;
    ++Run;
    while (IsHexDigit(At(Run)))
        ++Run;
}

void TKvMAssemSyn::BinaryNumberProc() {
    TokenKind = TAssemTokenKind::Number;
    ++Run;
    while (At(Run) == '0' || At(Run) == '1')
        ++Run;
}

void TKvMAssemSyn::NumberProc() {
    TokenKind = TAssemTokenKind::Number;
    ++Run;
    while (IsNumberChar(At(Run)))
        ++Run;
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
    TokenKind = TAssemTokenKind::String;
    if (At(Run + 1) == Quote && At(Run + 2) == Quote) Run += 2;
    for (;;) {
        const uint8_t C = At(Run);
        if (C == 0 || C == 10 || C == 13) break;
        ++Run;
        if (At(Run) == Quote) break;
    }
    if (At(Run) != 0) ++Run;
}

void TKvMAssemSyn::IdentProc() {
    TokenKind = KeywordsField.Lookup(LineField + Run, KeywordLength);
    Run += KeywordLength;
    while (IsIdentChar(At(Run)))
        ++Run;
}
