#pragma once
// ELF executables of the 68HC11 (as m68hc11-ld writes them), read with elfutils: the loadable
// segments at their load addresses, the symbol table, the entry address and, with libdw, the
// DWARF line table (m68hc11-as -g). All or nothing: on any error the result is empty.

#include "loaders/ProgramImage.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace ElfLoader {

// Whether Data starts with the ELF magic ($7F 'E' 'L' 'F').
bool looksLike(const QByteArray& Data);
std::optional<ProgramImage> parse(const QByteArray& Data, QString* Error);

} // namespace ElfLoader
