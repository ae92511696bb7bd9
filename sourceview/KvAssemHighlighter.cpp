#include "sourceview/KvAssemHighlighter.h"

#include "sourceview/KvMAssemSyn.h"

TKvAssemHighlighter::TKvAssemHighlighter(TKvMAssemSyn* Syn, QTextDocument* Document)
    : QSyntaxHighlighter(static_cast<QObject*>(nullptr)), SynField(Syn) {
    BuildFormats();
    if (Syn) connect(Syn, &TKvMAssemSyn::Changed, this, &TKvAssemHighlighter::Refresh);
    setDocument(Document);
}

void TKvAssemHighlighter::SetEncoding(TTextEncoding Value, bool Rehighlight) {
    if (Value == EncodingField) return;
    EncodingField = Value;
    if (Rehighlight) rehighlight();
}

void TKvAssemHighlighter::Refresh() {
    BuildFormats();
    rehighlight();
}

QTextCharFormat TKvAssemHighlighter::FormatOf(const THighlighterAttribute& A) {
    QTextCharFormat F;
    if (A.Foreground().isValid()) F.setForeground(A.Foreground());
    if (A.Background().isValid()) F.setBackground(A.Background());
    if (A.HasStyle(TFontStyle::Bold)) F.setFontWeight(QFont::Bold);
    if (A.HasStyle(TFontStyle::Italic)) F.setFontItalic(true);
    if (A.HasStyle(TFontStyle::Underline)) F.setFontUnderline(true);
    if (A.HasStyle(TFontStyle::StrikeOut)) F.setFontStrikeOut(true);
    return F;
}

void TKvAssemHighlighter::BuildFormats() {
    if (!SynField) return;
    for (int I = 0; I < SynField->AttrCount(); ++I) {
        const auto Index = static_cast<size_t>(I);
        Formats[Index] = FormatOf(*SynField->Attribute(I));
        FormatEmpty[Index] = Formats[Index].properties().isEmpty();
    }
    // Blanks and tabs show no ink: a space format that only sets the text colour changes
    // nothing on screen, and skipping it saves most of the per-character format work.
    const THighlighterAttribute& Space = *SynField->SpaceAttri();
    const size_t SpaceIndex =
        static_cast<size_t>(TKvMAssemSyn::AttributeIndexOf(TAssemTokenKind::Space));
    if (!Space.Background().isValid() && !Space.HasStyle(TFontStyle::Underline) &&
        !Space.HasStyle(TFontStyle::StrikeOut))
        FormatEmpty[SpaceIndex] = true;
}

void TKvAssemHighlighter::highlightBlock(const QString& Text) {
    if (!SynField) return;
    LineToBytes(Text, EncodingField, Bytes, CharOf);
    TKvMAssemSyn& S = *SynField;
    S.SetLine(Bytes.constData(), currentBlock().blockNumber() + 1);
    while (!S.GetEol()) {
        const int Index = S.GetTokenAttributeIndex();
        if (Index >= 0 && !FormatEmpty[static_cast<size_t>(Index)]) {
            int32_t Start = S.GetTokenPos();
            int32_t End = Start + S.GetTokenLength();
            if (!CharOf.empty()) {
                Start = CharOf[static_cast<size_t>(Start)];
                End = CharOf[static_cast<size_t>(End)];
            }
            if (End > Start) setFormat(Start, End - Start, Formats[static_cast<size_t>(Index)]);
        }
        S.Next();
    }
}
