#pragma once
// The word lists of the assembler highlighter, one comma-separated string per list, exactly
// as the keyword-table builder consumes them (items are split at commas and trimmed).

namespace KvMAssemWords {

extern const char* const CommonDirectives;
extern const char* const Directives6800;
extern const char* const Mnemonics6811;
extern const char* const Mnemonics68HC12;
extern const char* const Mnemonics68HC16;
extern const char* const DirectivesAVR;
extern const char* const MnemonicsAVR;
extern const char* const MnemonicsAVRExtra;
extern const char* const Directives8051;
extern const char* const Mnemonics8051;
extern const char* const DirectivesPIC;
extern const char* const MnemonicsPIC;
extern const char* const MnemonicsPIC12;
extern const char* const MnemonicsPIC14;
extern const char* const MnemonicsPIC17;
extern const char* const ExampleDirectives;
extern const char* const ExampleKeywords;

} // namespace KvMAssemWords
