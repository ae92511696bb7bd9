#include "machine/Stimulus.h"

#include "cpu/CPU.h"
#include "machine/NumberParser.h"

#include <QList>
#include <algorithm>

namespace {

// A pin name (upper case): port and bit, or the interrupt pins.
bool ParsePin(const QByteArray& Name, StimulusEvent& Event) {
    if (Name == "IRQ" || Name == "XIRQ") {
        Event.target = Name == "IRQ" ? StimulusEvent::Target::IrqPin
                                     : StimulusEvent::Target::XirqPin;
        return true;
    }
    if (Name.size() != 3 || Name[0] != 'P') return false;
    const int port = Name[1] - 'A';
    const int bit = Name[2] - '0';
    // Port B has no inputs; port D has six pins.
    const int pins[] = {8, 0, 8, 6, 8};
    if (port < 0 || port > 4 || bit < 0 || bit >= pins[port]) return false;
    Event.target = StimulusEvent::Target::PortPin;
    Event.port = port;
    Event.bit = bit;
    return true;
}

bool ParsePort(const QByteArray& Name, StimulusEvent& Event) {
    if (Name.size() != 5 || !Name.startsWith("PORT")) return false;
    const char port = Name[4];
    if (port != 'A' && port != 'C' && port != 'D' && port != 'E') return false;
    Event.target = StimulusEvent::Target::Port;
    Event.port = port - 'A';
    return true;
}

std::optional<uint64_t> Number(const QByteArray& Text, uint64_t Max) {
    return parseNumber(std::string_view(Text.constData(), static_cast<size_t>(Text.size())), Max);
}

} // namespace

std::optional<std::vector<StimulusEvent>> parseStimulus(const QByteArray& Text,
                                                        const QString& FileName,
                                                        QString* Error) {
    std::vector<StimulusEvent> events;
    const QList<QByteArray> lines = Text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        const qsizetype comment = std::min(line.indexOf(';') < 0 ? line.size() : line.indexOf(';'),
                                           line.indexOf('#') < 0 ? line.size() : line.indexOf('#'));
        line = line.left(comment).simplified();
        if (line.isEmpty()) continue;
        const auto fail = [&](const QString& Why) {
            if (Error)
                *Error = QStringLiteral("Fehler in der Stimulusdatei \"%1\", Zeile %2: %3")
                             .arg(FileName)
                             .arg(i + 1)
                             .arg(Why);
            return std::nullopt;
        };
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            return fail(QStringLiteral("erwartet \"ZYKLUS PIN=PEGEL\" oder \"ZYKLUS PORTX=WERT\""));
        const auto cycle = Number(words[0], INT64_MAX / 2);
        if (!cycle) return fail(QStringLiteral("ungültige Zyklenzahl \"%1\"").arg(QString::fromLatin1(words[0])));
        const qsizetype eq = words[1].indexOf('=');
        if (eq <= 0) return fail(QStringLiteral("erwartet PIN=PEGEL oder PORTX=WERT"));
        const QByteArray name = words[1].left(eq).toUpper();
        const QByteArray value = words[1].mid(eq + 1);
        StimulusEvent event;
        event.cycle = static_cast<int64_t>(*cycle);
        if (name == "SCI") {
            if (value.toUpper() != "BREAK")
                return fail(QStringLiteral("ungültiger Wert \"%1\" für SCI (nur BREAK)")
                                .arg(QString::fromLatin1(value)));
            event.target = StimulusEvent::Target::SciBreak;
        } else if (ParsePort(name, event)) {
            const auto v = Number(value, 0xFF);
            if (!v) return fail(QStringLiteral("ungültiger Wert \"%1\" für %2 (0 bis $FF)")
                                    .arg(QString::fromLatin1(value), QString::fromLatin1(name)));
            event.value = static_cast<int>(*v);
        } else if (ParsePin(name, event) && event.port == 4 &&
                   (value.endsWith('V') || value.endsWith('v'))) {
            // A voltage on a port E pin: the A/D converter's input.
            QByteArray number = value.chopped(1);
            number.replace(',', '.');
            bool ok = false;
            const double volts = number.toDouble(&ok);
            if (!ok || !(volts >= 0.0 && volts <= 5.0))
                return fail(QStringLiteral("ungültige Spannung \"%1\" für %2 (0 bis 5 V, z. B. 2.5V)")
                                .arg(QString::fromLatin1(value), QString::fromLatin1(name)));
            event.target = StimulusEvent::Target::AnalogPin;
            event.volts = volts;
        } else if (ParsePin(name, event)) {
            if (value != "0" && value != "1")
                return fail(QStringLiteral("ungültiger Pegel \"%1\" für %2 (0 oder 1)")
                                .arg(QString::fromLatin1(value), QString::fromLatin1(name)));
            event.value = value == "1";
        } else {
            return fail(QStringLiteral("unbekannter Pin \"%1\" (PA0-PA7, PC0-PC7, PD0-PD5, "
                                       "PE0-PE7, IRQ, XIRQ, PORTA, PORTC, PORTD, PORTE, SCI)")
                            .arg(QString::fromLatin1(name)));
        }
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const StimulusEvent& A, const StimulusEvent& B) { return A.cycle < B.cycle; });
    return events;
}

void StimulusPlayer::setEvents(std::vector<StimulusEvent> NewEvents) {
    Events = std::move(NewEvents);
    Next = 0;
    if (!CPU()) return;
    HandleEvents(CPU()->CycleCount); // what is due already holds before the next step
    CPU()->EventsChanged(this);
}

int64_t StimulusPlayer::NextEventCycle() const {
    return Next < Events.size() ? Events[Next].cycle : NoEvent;
}

void StimulusPlayer::HandleEvents(int64_t Now) {
    while (Next < Events.size() && Events[Next].cycle <= Now) {
        const StimulusEvent& event = Events[Next++];
        if (Apply) Apply(event);
    }
}
