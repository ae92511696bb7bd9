#pragma once
// A program file of any format the simulator opens, read and checked completely before
// anything reaches the machine: a listing, Motorola S-records, Intel HEX or an ELF executable.
// The format is told by the content (the ELF magic, a first line "S0".."S9" or ":"), and by
// the extension only where the content is none of them; everything else is a listing.
//
// It also keeps the texts the source view shows: the listing itself; for ELF with a DWARF
// line table the source files it names that exist, and a disassembly for code outside them;
// for the rest a disassembly. Each text is held by a listing loader, which maps its lines to
// addresses.

#include "hc11/Disassembler.h"
#include "hc11/ListFileLoader.h"
#include "loaders/ProgramImage.h"
#include "loaders/SymbolTable.h"

#include <QString>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class LoadedProgram {
  public:
    enum class Format { Listing, SRecord, IntelHex, Elf };

    // Reads FileName. Null, with a German message naming the file (and the line, for the text
    // formats) in *Error, when it cannot be read, is malformed or holds no code or data.
    static std::unique_ptr<LoadedProgram> read(const QString& FileName, QString* Error = nullptr);
    // An empty program: one empty text.
    LoadedProgram();
    ~LoadedProgram();

    Format format() const { return FormatField; }
    // The bytes of an S-record, Intel HEX or ELF file; null for a listing (its bytes are in
    // its lines).
    const ProgramImage* image() const { return Image.get(); }
    // The listing's loader (for a listing: writes its code, reports bad lines).
    TKV_68HC11_ListFileLoader& listing() { return *Documents.front().Text; }

    // Adds the file's symbols (listing labels and values; ELF symbols).
    void addSymbols(SymbolTable& Symbols) const;
    // Builds the texts of an image file (the disassembly names addresses with Symbols' labels).
    void buildDocuments(const SymbolTable& Symbols);

    int documentCount() const { return static_cast<int>(Documents.size()); }
    int currentDocument() const { return Current; }
    const TKV_68HC11_ListFileLoader& document(int Index) const { return *Documents[Index].Text; }
    const TKV_68HC11_ListFileLoader& current() const { return document(Current); }
    // The path of a source file, or empty for a listing or disassembly.
    QString documentSource(int Index) const { return Documents[Index].Source; }
    // The document that has a line for Address (the current one when it has): index or -1.
    int documentOf(uint32_t Address) const;

    // After a run stopped at Address: makes the text that shows Address current; when none
    // does and a disassembly is shown for this file, disassembles from Address on (reading the
    // memory through Read) and adds it. Returns whether the current text changed.
    bool follow(uint32_t Address, const Disassembler::ByteReader& Read, const SymbolTable& Symbols);

  private:
    struct Document {
        QString Source;
        std::unique_ptr<TKV_68HC11_ListFileLoader> Text;
    };
    void rebuildDisassembly(const Disassembler::ByteReader& Read, const SymbolTable& Symbols);

    Format FormatField = Format::Listing;
    QString FileName;
    std::unique_ptr<ProgramImage> Image;
    std::vector<Document> Documents;
    int Current = 0;
    int DisassemblyIndex = -1;        // which document is the disassembly; -1: none
    std::set<uint32_t> ReachedStarts; // addresses a run stopped at, outside the file's bytes
};
