#include "machine/CycleProfile.h"

#include "machine/FileErrorText.h"

#include <QByteArray>
#include <algorithm>

void CycleProfile::clear() {
    std::fill(Entries.get(), Entries.get() + 0x10000, Entry{});
}

std::vector<uint32_t> CycleProfile::hottest(size_t Count) const {
    std::vector<uint32_t> addresses;
    for (uint32_t a = 0; a < 0x10000; ++a)
        if (Entries[a].Executions) addresses.push_back(a);
    const size_t n = std::min(Count, addresses.size());
    std::partial_sort(addresses.begin(), addresses.begin() + static_cast<std::ptrdiff_t>(n),
                      addresses.end(), [this](uint32_t A, uint32_t B) {
                          return Entries[A].Cycles != Entries[B].Cycles
                                     ? Entries[A].Cycles > Entries[B].Cycles
                                     : A < B;
                      });
    addresses.resize(n);
    return addresses;
}

uint64_t CycleProfile::totalCycles() const {
    uint64_t sum = 0;
    for (uint32_t a = 0; a < 0x10000; ++a) sum += Entries[a].Cycles;
    return sum;
}

bool CycleProfile::writeCsv(QIODevice& Out, const std::function<QString(uint32_t)>& Symbol,
                            const std::function<int32_t(uint32_t)>& Line, QString* Error) const {
    QByteArray text = "address,symbol,line,executions,cycles\n";
    for (uint32_t a = 0; a < 0x10000; ++a) {
        const Entry& e = Entries[a];
        if (!e.Executions) continue;
        const int32_t line = Line ? Line(a) : -1;
        // Symbols are assembler names: no commas or quotes to escape.
        text += QByteArray::number(a, 16).toUpper().rightJustified(4, '0') + ',' +
                (Symbol ? Symbol(a).toUtf8() : QByteArray()) + ',' +
                (line > 0 ? QByteArray::number(line) : QByteArray()) + ',' +
                QByteArray::number(static_cast<qulonglong>(e.Executions)) + ',' +
                QByteArray::number(static_cast<qulonglong>(e.Cycles)) + '\n';
    }
    if (Out.write(text) != text.size()) {
        if (Error) *Error = QStringLiteral("Fehler beim Schreiben des Profils: %1").arg(fileErrorText(Out));
        return false;
    }
    return true;
}
