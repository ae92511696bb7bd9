#pragma once
// TKvAssemHighlighter: lets a QTextDocument paint with a TKvMAssemSyn. For every block it
// turns the line back into bytes (see ListingText.h), pulls the scanner's tokens and applies
// each token's attribute as a character format. The scanner carries no state from one line
// to the next, so every block is highlighted on its own.

#include "sourceview/ListingText.h"

#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>
#include <vector>

class TKvMAssemSyn;
class THighlighterAttribute;

class TKvAssemHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    // Syn is not owned. Changes that Syn reports re-highlight the document.
    TKvAssemHighlighter(TKvMAssemSyn* Syn, QTextDocument* Document);

    TKvMAssemSyn* Syn() const { return SynField; }
    TTextEncoding Encoding() const { return EncodingField; }
    // Sets how lines are turned back into bytes; re-highlights when it changes, unless the
    // caller is about to replace the text anyway.
    void SetEncoding(TTextEncoding Value, bool Rehighlight = true);
    // Re-reads the attributes and highlights the whole document again.
    void Refresh();

    // Formats built from an attribute: unset colours and styles stay unset.
    static QTextCharFormat FormatOf(const THighlighterAttribute& A);

  protected:
    void highlightBlock(const QString& Text) override;

  private:
    void BuildFormats();

    QPointer<TKvMAssemSyn> SynField;
    TTextEncoding EncodingField = TTextEncoding::Utf8;
    std::array<QTextCharFormat, 9> Formats; // by attribute index
    std::array<bool, 9> FormatEmpty{};
    QByteArray Bytes; // scratch, reused for every line
    std::vector<int32_t> CharOf;
};
