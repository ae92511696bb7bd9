#include "runner/RunnerOptions.h"

#include "machine/NumberParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

std::string Upper(std::string Text) {
    for (char& c : Text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return Text;
}

struct TRegisterName {
    const char* Name;
    TRegisterSetting::TRegister Register;
    uint32_t Max;
};

constexpr TRegisterName RegisterNames[] = {
    {"PC", TRegisterSetting::PC, 0xFFFF}, {"A", TRegisterSetting::A, 0xFF},
    {"B", TRegisterSetting::B, 0xFF},     {"D", TRegisterSetting::D, 0xFFFF},
    {"X", TRegisterSetting::X, 0xFFFF},   {"Y", TRegisterSetting::Y, 0xFFFF},
    {"SP", TRegisterSetting::SP, 0xFFFF}, {"CCR", TRegisterSetting::CCR, 0xFF},
};

// Splits "NAME=VALUE"; false when there is no "=".
bool SplitAssignment(const std::string& Text, std::string& Name, std::string& Value) {
    const size_t eq = Text.find('=');
    if (eq == std::string::npos) return false;
    Name = Upper(Text.substr(0, eq));
    Value = Text.substr(eq + 1);
    return true;
}

// A speed factor: "2", "0.5" or "1/100", above 0 and at most 1000.
std::optional<double> ParseFactor(const std::string& Text) {
    double value = 0;
    if (const size_t slash = Text.find('/'); slash != std::string::npos) {
        const auto a = parseNumber(Text.substr(0, slash), 1000000);
        const auto b = parseNumber(Text.substr(slash + 1), 1000000);
        if (!a || !b || *b == 0) return std::nullopt;
        value = static_cast<double>(*a) / static_cast<double>(*b);
    } else {
        const char* end = Text.data() + Text.size();
        const auto [ptr, ec] = std::from_chars(Text.data(), end, value, std::chars_format::fixed);
        if (ec != std::errc() || ptr != end) return std::nullopt;
    }
    if (!(value > 0 && value <= 1000)) return std::nullopt;
    return value;
}

// An analog input "PEn=VOLTS" (2.5, 2,5 or 2.5V: 0 to 5 V) or "PEn=$XX" / "PEn=0xXX" (the
// converter value the input shall give, $00-$FF).
std::optional<TAnalogSetting> ParseAnalog(const std::string& Text) {
    std::string name, value;
    if (!SplitAssignment(Text, name, value)) return std::nullopt;
    if (name.size() != 3 || name[0] != 'P' || name[1] != 'E' || name[2] < '0' || name[2] > '7')
        return std::nullopt;
    const int pin = name[2] - '0';
    if (!value.empty() &&
        (value[0] == '$' || value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0)) {
        const auto raw = parseNumber(value, 0xFF);
        if (!raw) return std::nullopt;
        // The voltage in the middle of the raw value's step: it converts back to the value.
        return TAnalogSetting{pin, static_cast<double>(*raw) * 5.0 / 255.0};
    }
    if (!value.empty() && (value.back() == 'V' || value.back() == 'v')) value.pop_back();
    std::replace(value.begin(), value.end(), ',', '.');
    double volts = 0;
    const char* end = value.data() + value.size();
    const auto [ptr, ec] = std::from_chars(value.data(), end, volts, std::chars_format::fixed);
    if (value.empty() || ec != std::errc() || ptr != end || !(volts >= 0 && volts <= 5))
        return std::nullopt;
    return TAnalogSetting{pin, volts};
}

// A symbol, maybe with a distance: "done", "table+3". Numbers are tried before.
bool LooksLikeSymbol(const std::string& Text) {
    if (Text.empty() ||
        !(std::isalpha(static_cast<unsigned char>(Text[0])) || Text[0] == '_' || Text[0] == '.'))
        return false;
    return std::all_of(Text.begin(), Text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '+' ||
               c == '-' || c == '$';
    });
}

} // namespace

TParseResult ParseRunnerOptions(const std::vector<std::string>& Args) {
    TParseResult result;
    TRunnerOptions& o = result.Options;
    auto fail = [&result](const std::string& Message) {
        result.Error = Message;
        return result;
    };

    for (size_t i = 0; i < Args.size(); ++i) {
        std::string arg = Args[i];
        if (arg == "--help" || arg == "-h") {
            o.Help = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-' || arg == "-") {
            if (!o.Listing.empty()) return fail("Mehr als eine Listdatei angegeben: " + arg);
            o.Listing = arg;
            continue;
        }
        if (arg == "--") {
            if (i + 2 != Args.size() || !o.Listing.empty())
                return fail("Nach \"--\" wird genau eine Listdatei erwartet.");
            o.Listing = Args[++i];
            continue;
        }

        // Flags without a value.
        if (arg == "--no-reset") {
            o.NoReset = true;
            continue;
        }
        if (arg == "--trace") {
            o.Trace = true;
            continue;
        }
        if (arg == "--regs") {
            o.Regs = true;
            continue;
        }
        if (arg == "--cop") {
            o.Cop = true;
            continue;
        }
        if (arg == "--stats") {
            o.Stats = true;
            continue;
        }
        if (arg == "--json") {
            o.Json = true;
            continue;
        }
        if (arg == "--symbols") {
            o.Symbols = true;
            continue;
        }

        // Options with a value: "--name value" or "--name=value".
        std::string name = arg;
        std::string value;
        bool haveValue = false;
        if (const size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            haveValue = true;
        }
        static const char* const WithValue[] = {
            "--max-steps", "--max-cycles", "--break",       "--set",       "--port",
            "--dump",      "--memory-out", "--stimulus",    "--speed",     "--eclock",
            "--vcd",       "--profile",    "--analog",      "--spi-in",    "--spi-out",
            "--sci-in",    "--sci-out",    "--watch-write", "--watch-read"};
        if (std::find_if(std::begin(WithValue), std::end(WithValue),
                         [&name](const char* n) { return name == n; }) == std::end(WithValue))
            return fail("Unbekannte Option: " + arg);
        if (!haveValue) {
            if (i + 1 >= Args.size()) return fail("Option " + name + " erwartet einen Wert.");
            value = Args[++i];
        }

        if (name == "--max-steps" || name == "--max-cycles") {
            const auto n = parseNumber(value, UINT64_MAX / 2);
            if (!n) return fail("Ungültige Zahl für " + name + ": " + value);
            (name == "--max-steps" ? o.MaxSteps : o.MaxCycles) = *n;
        } else if (name == "--break") {
            const auto a = parseNumber(value, 0xFFFF);
            if (a)
                o.Breakpoints.push_back(static_cast<uint32_t>(*a));
            else if (LooksLikeSymbol(value))
                o.BreakSymbols.push_back(value); // resolved once the listing is loaded
            else
                return fail("Ungültige Adresse für --break: " + value);
        } else if (name == "--watch-write" || name == "--watch-read") {
            TWatchOption w;
            w.Write = name == "--watch-write";
            const size_t colon = value.find(':');
            w.Address = value.substr(0, colon);
            if (colon != std::string::npos) {
                const auto length = parseNumber(value.substr(colon + 1), 0x10000);
                if (!length || *length == 0)
                    return fail("Ungültige Länge für " + name + ": " + value);
                w.Length = static_cast<uint32_t>(*length);
            }
            if (!parseNumber(w.Address, 0xFFFF) && !LooksLikeSymbol(w.Address))
                return fail("Ungültige Adresse für " + name + ": " + value);
            o.Watches.push_back(w);
        } else if (name == "--set") {
            std::string reg, v;
            if (!SplitAssignment(value, reg, v))
                return fail("--set erwartet REGISTER=WERT: " + value);
            const auto* r = std::find_if(std::begin(RegisterNames), std::end(RegisterNames),
                                         [&reg](const TRegisterName& n) { return reg == n.Name; });
            if (r == std::end(RegisterNames))
                return fail("Unbekanntes Register für --set: " + reg +
                            " (erlaubt: PC, A, B, D, X, Y, SP, CCR)");
            const auto n = parseNumber(v, r->Max);
            if (!n) return fail("Ungültiger Wert für Register " + reg + ": " + v);
            o.Registers.push_back({r->Register, static_cast<uint32_t>(*n)});
        } else if (name == "--port") {
            std::string port, v;
            if (!SplitAssignment(value, port, v))
                return fail("--port erwartet PORT=WERT: " + value);
            if (port != "A" && port != "C" && port != "D" && port != "E")
                return fail("Ungültiger Port für --port: " + port +
                            " (Eingänge haben nur die Ports A, C, D und E)");
            const auto n = parseNumber(v, 0xFF);
            if (!n) return fail("Ungültiger Wert für Port " + port + ": " + v);
            o.Ports.push_back({port[0], static_cast<uint32_t>(*n)});
        } else if (name == "--dump") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos) return fail("--dump erwartet START:LÄNGE: " + value);
            const auto start = parseNumber(value.substr(0, colon), 0xFFFF);
            const auto length = parseNumber(value.substr(colon + 1), 0x10000);
            if (!start || !length) return fail("Ungültiger Bereich für --dump: " + value);
            o.Dumps.push_back({static_cast<uint32_t>(*start), static_cast<uint32_t>(*length)});
        } else if (name == "--memory-out") {
            if (value.empty()) return fail("--memory-out erwartet einen Dateinamen.");
            o.MemoryOut = value;
        } else if (name == "--speed") {
            const auto f = ParseFactor(value);
            if (!f)
                return fail("Ungültiger Faktor für --speed: " + value +
                            " (z. B. 1, 0.5, 1/100; höchstens 1000)");
            o.Speed = *f;
        } else if (name == "--eclock") {
            const auto hz = parseNumber(value, 100000000);
            if (!hz || *hz < 1000)
                return fail("Ungültiger E-Takt für --eclock: " + value +
                            " (1000 bis 100000000 Hz)");
            o.EClock = static_cast<double>(*hz);
        } else if (name == "--profile") {
            if (value.empty()) return fail("--profile erwartet einen Dateinamen.");
            o.Profile = value;
        } else if (name == "--vcd") {
            if (value.empty()) return fail("--vcd erwartet einen Dateinamen.");
            o.Vcd = value;
        } else if (name == "--analog") {
            const auto a = ParseAnalog(value);
            if (!a)
                return fail("--analog erwartet PEn=VOLT (0 bis 5, z. B. PE3=2.5) oder PEn=$WERT "
                            "(Wandlerwert $00 bis $FF): " +
                            value);
            o.Analog.push_back(*a);
        } else if (name == "--spi-in" || name == "--spi-out") {
            if (value.empty()) return fail(name + " erwartet einen Dateinamen.");
            (name == "--spi-in" ? o.SpiIn : o.SpiOut) = value;
        } else if (name == "--sci-in" || name == "--sci-out") {
            if (value.empty()) return fail(name + " erwartet einen Dateinamen oder \"-\".");
            (name == "--sci-in" ? o.SciIn : o.SciOut) = value;
        } else if (name == "--stimulus") {
            if (value.empty()) return fail("--stimulus erwartet einen Dateinamen.");
            o.Stimulus = value;
        }
    }
    if (!o.Help && o.Listing.empty()) return fail("Keine Listdatei angegeben.");
    // The SCI's bytes on standard output would mix with the text lines of these options.
    if (o.SciOut == "-" && (o.Trace || o.Regs || !o.Dumps.empty()))
        return fail("--sci-out - (Standardausgabe) geht nicht zusammen mit --trace, --regs "
                    "oder --dump: deren Zeilen stehen ebenfalls auf der Standardausgabe.");
    if (o.Json && (o.Trace || o.SciOut == "-"))
        return fail("--json geht nicht zusammen mit --trace oder --sci-out -: die Standardausgabe "
                    "enthält dann nur das JSON-Objekt.");
    return result;
}

std::string RunnerHelpText() {
    return R"(Aufruf: tarvik68hc11-run [Optionen] LISTING

Lädt die Programmdatei LISTING und führt das Programm ohne Fenster aus. LISTING ist die
Listdatei eines 68HC11-Assemblers, Motorola-S-Records (.s19), Intel HEX (.hex) oder ein
ELF-Programm von m68hc11-ld (das Format wird am Inhalt erkannt); der Startsatz (S9, ELF-Eintrag)
wird zum Reset-Vektor, wenn die Datei $FFFE/$FFFF nicht selbst füllt. Es läuft
dieselbe Simulation wie im Fenster (CPU, On-Chip-Umgebung mit Ports und Echtzeit-Interrupt,
Zeitgeber alle 100000 Zyklen). Nach dem Laden wird wie beim Öffnen im Fenster ein Reset
angefordert; der erste Schritt lädt den PC aus dem Reset-Vektor $FFFE.

Zahlen: dezimal oder hexadezimal mit "$" oder "0x" davor ($E000, 0xE000, 57344).

Optionen:
  --max-steps N      nach N ausgeführten Befehlen anhalten
  --max-cycles N     nach dem ersten Befehl anhalten, mit dem die Zyklenzahl N erreicht
                     Ohne beide läuft das Programm bis zu einem Haltepunkt, einem
                     unbekannten OP-Code oder einem STOP-Befehl.
  --break ADR        Haltepunkt bei ADR (mehrfach möglich); angehalten wird vor dem Befehl
                     dort. Ein Lauf, der auf einem Haltepunkt beginnt, führt diesen Befehl aus.
                     ADR darf auch ein Symbol des Listings sein (--break done, --break loop+3).
  --watch-write ADR[:LEN]
                     Datenhaltepunkt: anhalten nach dem Befehl, der in den Bereich ab ADR
                     (LEN Bytes, Vorgabe 1) schreibt; ADR auch als Symbol (mehrfach möglich)
  --watch-read ADR[:LEN]
                     ebenso für Lesezugriffe (das Holen von Befehlen zählt nicht)
  --no-reset         keinen Reset anfordern: der Lauf beginnt beim PC (siehe --set)
  --set REG=WERT     Register setzen, vor dem ersten Schritt (mehrfach möglich):
                     PC, A, B, D, X, Y, SP, CCR. Der Reset des ersten Schritts überschreibt
                     PC und CCR, wenn --no-reset fehlt.
  --port P=WERT      Eingangspins von Port A, C, D oder E setzen, vor dem ersten Schritt
                     (Ausgangspins bleiben, wie sie sind)
  --stimulus DATEI   Eingänge im Lauf ändern, Zeile für Zeile, sobald die Zyklenzahl
                     erreicht ist (an der Befehlsgrenze):
                       ZYKLUS PIN=PEGEL    Pins PA0-PA7, PC0-PC7, PD0-PD5, PE0-PE7,
                                           IRQ, XIRQ (aktiv bei 0)
                       ZYKLUS PORTX=WERT   X = A, C, D oder E
                       ZYKLUS PEn=VOLTV    Spannung am Analogeingang PEn, 0 bis 5 V
                                           (z. B. 1000 PE3=1.25V)
                       ZYKLUS SCI=BREAK    ein Break-Zeichen für den SCI-Empfänger
                     Kommentare ab ";" oder "#".
  --analog PEn=V     Spannung am Analogeingang PE0-PE7 für den A/D-Wandler, vor dem ersten
                     Schritt (mehrfach möglich): Volt von 0 bis 5 (PE3=2.5) oder der Wert,
                     den der Wandler liefern soll (PE3=$80). VRL = 0 V, VRH = 5 V.
  --spi-in DATEI     die Bytes der Datei sind die Antworten des SPI-Slaves, eines je
                     Übertragung des Masters (danach $FF)
  --spi-out DATEI    die Bytes, die der SPI-Master gesendet hat, am Ende in DATEI schreiben
  --cop              den COP-Watchdog einschalten (sonst aus): ohne Neustart durch $55/$AA
                     an COPRST setzt er den Prozessor nach 2^15 x 1, 4, 16 oder 64 Takten
                     (CR1:CR0 in OPTION) über $FFFA zurück
  --speed FAKTOR     Lauf im Verhältnis zur Echtzeit: 1 = Echtzeit beim E-Takt, 0.5 halb,
                     1/100 ein Hundertstel, 10 zehnmal so schnell (ohne: so schnell wie möglich)
  --eclock HZ        E-Takt für --speed (Vorgabe 2000000)
  --trace            nach jedem Befehl eine Zeile auf der Standardausgabe:
                       n startPC zyklen PC=XXXX A=XX B=XX X=XXXX Y=XXXX SP=XXXX CCR=XX
                     n zählt die Schritte ab 1, startPC ist der PC zu Beginn des Schritts
                     (vor einer Interrupt-Annahme), zyklen die Zyklen des Schritts samt
                     Interrupt-Annahme (14 Zyklen, nach WAI 2). Während WAI lässt ein
                     Schritt ohne Befehl die Zeit bis zum nächsten Zeitgeber-Ereignis laufen.
  --regs             am Ende: PC=XXXX A=XX B=XX X=XXXX Y=XXXX SP=XXXX CCR=XX CYCLES=N
  --dump START:LEN   am Ende LEN Bytes des Adressraums ab START, 16 je Zeile:
                       XXXX: XX XX ... (mehrfach möglich); die IO-Register zeigen, was
                       ein Programm dort läse, ohne dass das Lesen etwas verändert
  --memory-out DATEI den ganzen Adressraum (65536 Bytes) am Ende in DATEI schreiben
  --vcd DATEI        alle Pin-Änderungen und Interrupt-Annahmen des Laufs als VCD-Datei
                     (Value Change Dump) schreiben, Zeitskala passend zum E-Takt (--eclock)
  --profile DATEI    Ausführungen und Zyklen je Befehlsadresse als CSV schreiben:
                       address,symbol,line,executions,cycles
  --sci-in DATEI     die Bytes aus DATEI (- = Standardeingabe) kommen am Empfänger der
                     seriellen Schnittstelle (SCI) an, eins je Rahmen bei der Baudrate, die
                     das Programm in BAUD einstellt, ab dem Setzen von RE; solange RE aus
                     ist, geht nichts verloren
  --sci-out DATEI    jedes Byte, das der SCI-Sender fertig gesendet hat, unverändert in
                     DATEI schreiben (- = Standardausgabe; nicht zusammen mit --trace,
                     --regs oder --dump, deren Zeilen ebenfalls dort stehen)
  --stats            am Ende auf der Fehlerausgabe:
                       instructions=N cycles=N seconds=F mhz=F
  --json             am Ende ein JSON-Objekt auf der Standardausgabe statt der Zeilen von
                     --regs und --dump: stop, pc, registers, cycles, instructions, dumps
                     (start, length, bytes als Hex-Text) und beim Datenhaltepunkt watch
                     (nicht zusammen mit --trace oder --sci-out -)
  --symbols          die Symboltabelle des Listings ausgeben (NAME $WERT Art, nach Namen
                     sortiert; Art: code, data, value) und nichts ausführen; mit --json als
                     JSON-Objekt
  -h, --help         diese Hilfe

Meldungen der Simulation erscheinen als eine Zeile "[TITEL] TEXT" auf der Fehlerausgabe
(OK/Abbrechen wird mit OK beantwortet). Die letzte Zeile dort ist
  stop: GRUND PC=$XXXX
mit GRUND steps, cycles, breakpoint, watch (Datenhaltepunkt), opcode (unbekannter
OP-Code), io (nicht implementierte IO-Adresse), halt (STOP-Befehl: Takt angehalten) oder
deadlock (WAI, aber kein Interrupt kann den Prozessor mehr wecken). Treffen nach einem
Schritt mehrere zu, gilt die erste aus opcode, io, halt, deadlock, breakpoint, watch,
steps, cycles. Nach watch folgen der Befehl und der Zugriff:
  stop: watch PC=$XXXX instruction=$XXXX write=$XXXX value=$XX   (oder read=$XXXX)

Rückgabewert: 0 Halt an einer Grenze, einem (Daten-)Haltepunkt oder durch STOP, 3 unbekannter
OP-Code, 4 nicht implementierte IO-Adresse, 5 WAI ohne mögliches Wecken, 2 falscher
Aufruf oder nicht verwendbare Datei.
)";
}
