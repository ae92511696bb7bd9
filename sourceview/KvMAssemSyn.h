#pragma once
// TKvMAssemSyn: the multi-CPU assembler highlighter. It splits one line of 8-bit text into
// tokens (comment, directive, identifier, keyword, number, space, string, symbol, unknown)
// with a 256-entry dispatch table indexed by the byte at the scan position, and tells
// directives and mnemonics of the selected CPU family apart with a keyword hash table.
// No widget code lives here: the editor reaches it through TKvAssemHighlighter.

#include "sourceview/HighlighterAttribute.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TAssemTokenKind : uint8_t {
    Comment = 0,
    Directive = 1,
    Identifier = 2,
    Keyword = 3,
    Null = 4,
    Number = 5,
    Space = 6,
    String = 7,
    Symbol = 8,
    Unknown = 9,
};

enum class TKvCPUType : uint8_t {
    KvCPU_Unknown,
    KvCPU_Example,
    KvCPU_6800,
    KvCPU_6301,
    KvCPU_6811,
    KvCPU_68HC12,
    KvCPU_68HC16,
    KvCPU_87C750,
    KvCPU_8051,
    KvCPU_8052,
    KvCPU_80C320,
    KvCPU_80C501,
    KvCPU_80C502,
    KvCPU_80C504,
    KvCPU_80515,
    KvCPU_80517,
    KvCPU_80C251,
    KvCPU_AT90S1200,
    KvCPU_AT90S2313,
    KvCPU_AT90S4414,
    KvCPU_AT90S8515,
    KvCPU_16C54,
    KvCPU_16C55,
    KvCPU_16C56,
    KvCPU_16C57,
    KvCPU_16C84,
    KvCPU_16C64,
    KvCPU_17C42,
};
constexpr int KvCPUTypeCount = 28;

// The CPU type string of a CPU type (empty for KvCPU_Unknown).
const char* KvCPUTypeName(TKvCPUType Type);

enum class TKvNumberFormat : uint8_t {
    KvNF_CMode,
    KvNF_IntelMode,
    KvNF_MotorolaMode,
    KvNF_RelaxedMode
};

// One word of the keyword table.
struct THashEntry {
    std::string Word; // upper case, as stored in the word lists
    TAssemTokenKind Kind;
};

// The keyword table: 256 buckets, addressed by the byte sum of a word's identifier run.
// Each bucket keeps its entries in the order they were added; a lookup walks the whole
// bucket and the last matching entry wins.
class THashList {
  public:
    static constexpr int BucketCount = 256;

    // Appends every item of a comma-separated word list, stopping at the first empty item.
    void AddList(const char* List, TAssemTokenKind Kind);
    void Add(std::string Word, TAssemTokenKind Kind);
    // Looks up the identifier run at Text, upper-casing ASCII letters. RunLength receives the
    // run's length. Returns Directive or Keyword for a hit, Identifier otherwise.
    TAssemTokenKind Lookup(const uint8_t* Text, int32_t& RunLength) const;

    int32_t Count() const;
    int32_t Count(TAssemTokenKind Kind) const;
    void Clear();

  private:
    std::array<std::vector<THashEntry>, BucketCount> Buckets;
};

class TKvMAssemSyn : public QObject {
    Q_OBJECT
  public:
    explicit TKvMAssemSyn(QObject* Owner = nullptr);
    ~TKvMAssemSyn() override;

    // Configuration.
    bool ListMode() const { return ListModeField; }
    void SetListMode(bool Value);
    TKvCPUType CPUType() const { return CPUTypeField; }
    void SetCPUType(TKvCPUType Value);
    const QString& CPUTypeString() const { return CPUTypeStringField; }
    void SetCPUTypeString(const QString& Value);
    TKvNumberFormat NumberFormat() const { return NumberFormatField; }
    void SetNumberFormat(TKvNumberFormat Value);

    // The nine attributes, in registration order.
    THighlighterAttribute* CommentAttri() const { return Attributes[0].get(); }
    THighlighterAttribute* IdentifierAttri() const { return Attributes[1].get(); }
    THighlighterAttribute* InvalidAttri() const { return Attributes[2].get(); }
    THighlighterAttribute* KeyAttri() const { return Attributes[3].get(); }
    THighlighterAttribute* NumberAttri() const { return Attributes[4].get(); }
    THighlighterAttribute* SpaceAttri() const { return Attributes[5].get(); }
    THighlighterAttribute* StringAttri() const { return Attributes[6].get(); }
    THighlighterAttribute* SymbolAttri() const { return Attributes[7].get(); }
    THighlighterAttribute* DirecAttri() const { return Attributes[8].get(); }
    int AttrCount() const { return static_cast<int>(Attributes.size()); }
    THighlighterAttribute* Attribute(int Index) const;

    // What an editor asks of a highlighter.
    enum TAttributeRole { RoleComment, RoleIdentifier, RoleKeyword, RoleString, RoleWhitespace };
    THighlighterAttribute* GetDefaultAttribute(int Role) const;
    const QString& DefaultFilter() const { return DefaultFilterField; }
    void SetDefaultFilter(const QString& Value) { DefaultFilterField = Value; }
    static QString LanguageName() { return QStringLiteral("Assembler"); }
    // '.', digits, letters and '_': what the editor treats as part of a word.
    static bool IsIdentChar(uint8_t C) { return IdentTable[C]; }

    // Scanning. SetLine keeps a pointer to Line (no copy): the caller keeps the bytes alive
    // until the next SetLine. The line ends at its first NUL byte. LineNumber is not used.
    void SetLine(const char* Line, int32_t LineNumber);
    void Next();
    bool GetEol() const { return TokenKind == TAssemTokenKind::Null; }
    TAssemTokenKind GetTokenID() const { return TokenKind; }
    int GetTokenKind() const { return static_cast<int>(TokenKind); }
    int32_t GetTokenPos() const { return TokenStart; }
    int32_t GetTokenLength() const { return Run - TokenStart; }
    std::string GetToken() const;
    // The attribute of the current token; null at the end of the line.
    THighlighterAttribute* GetTokenAttribute() const;
    // Its index in the attribute list; -1 at the end of the line.
    int GetTokenAttributeIndex() const { return AttributeIndexOf(TokenKind); }
    static int AttributeIndexOf(TAssemTokenKind Kind);

    const THashList& Keywords() const { return KeywordsField; }

  signals:
    // Raised when something changed that alters how text is painted.
    void Changed();

  private:
    using TTokenProc = void (TKvMAssemSyn::*)();
    static const std::array<bool, 256> IdentTable;

    void BuildProcTable();
    void BuildKeywordTable();
    uint8_t At(int32_t Index) const { return LineField[Index]; }

    void NullProc();
    void SpaceProc();
    void LFProc();
    void CRProc();
    void CommentProc();
    void SymbolProc();
    void RoundOpenProc();
    void RoundCloseProc();
    void UnknownProc();
    void HexNumberProc();
    void BinaryNumberProc();
    void NumberProc();
    void DoubleQuoteStringProc();
    void SingleQuoteStringProc();
    void StringProc(uint8_t Quote);
    void IdentProc();

    bool ListModeField = false;
    bool SettingString = false; // SetCPUTypeString is calling SetCPUType
    TKvCPUType CPUTypeField = TKvCPUType::KvCPU_Unknown;
    QString CPUTypeStringField;
    TKvNumberFormat NumberFormatField = TKvNumberFormat::KvNF_CMode;
    THashList KeywordsField;
    QString DefaultFilterField;

    const uint8_t* LineField = nullptr;
    int32_t Run = 0;
    int32_t TokenStart = 0;
    TAssemTokenKind TokenKind = TAssemTokenKind::Null;
    int32_t KeywordLength = 0;
    std::array<TTokenProc, 256> ProcTable{};
    std::array<std::unique_ptr<THighlighterAttribute>, 9> Attributes;
};
