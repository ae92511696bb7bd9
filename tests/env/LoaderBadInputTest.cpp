// The listing loader on files that are no proper listing, or cannot be read at all.
#include "EnvTestSupport.h"
#include "hc11/ListFileLoader.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const GoodListing = "       1/    E000 : 86 55               ldaa #$55\n"
                                "       2/    E002 : 20 FE               bra *\n";

struct TFileSystem : TEnvSystem {
    TKV_68HC11_ListFileLoader Loader;
    QTemporaryDir Dir;

    TFileSystem() { Loader.SetCPU(&Cpu); }

    QString Write(const QString& Name, const QByteArray& Content) {
        const QString path = Dir.filePath(Name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Content);
        return path;
    }
    // Loads a good listing first, so that a failing load can be seen to keep it.
    void LoadGood() {
        QString error;
        ASSERT_TRUE(Loader.LoadFromFile(Write("good.lst", GoodListing), &error))
            << error.toStdString();
        ASSERT_EQ(Loader.LineCount(), 2);
    }
    int NonZeroBytes() const {
        return static_cast<int>(
            std::count_if(Cpu.Memory.begin(), Cpu.Memory.end(), [](uint8_t b) { return b != 0; }));
    }
};

void ExpectFailureKeepsLines(TFileSystem& Sys, const QString& Path, const char* Phrase) {
    const QList<QByteArray> before = Sys.Loader.Lines();
    QString error;
    EXPECT_FALSE(Sys.Loader.LoadFromFile(Path, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(Path))) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(Phrase))) << error.toStdString();
    EXPECT_EQ(Sys.Loader.Lines(), before);
    EXPECT_EQ(Sys.Loader.LineOfAddress(0xE002), 1);
    EXPECT_FALSE(Sys.Loader.LoadFromFile(Path)); // no error text wanted: still no crash
}

TEST(LoaderBadInput, AMissingFileIsAnErrorThatKeepsTheLines) {
    TFileSystem sys;
    sys.LoadGood();
    ExpectFailureKeepsLines(sys, sys.Dir.filePath("nichtda.lst"), "wurde nicht gefunden");
}

TEST(LoaderBadInput, ADirectoryOrAPipeIsAnErrorThatKeepsTheLines) {
    TFileSystem sys;
    sys.LoadGood();
    ASSERT_TRUE(QDir(sys.Dir.path()).mkdir("ordner.lst"));
    ExpectFailureKeepsLines(sys, sys.Dir.filePath("ordner.lst"), "ist ein Verzeichnis");
    const QString fifo = sys.Dir.filePath("rohr.lst");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ExpectFailureKeepsLines(sys, fifo, "ist keine gewöhnliche Datei"); // and does not block
}

TEST(LoaderBadInput, AFileWithoutReadPermissionIsAnErrorThatKeepsTheLines) {
    TFileSystem sys;
    sys.LoadGood();
    const QString path = sys.Write("geheim.lst", GoodListing);
    chmod(QFile::encodeName(sys.Dir.path()).constData(), 0755);
    chmod(QFile::encodeName(path).constData(), 0000);
    // Root reads every file, so the load runs in a child that has given up root.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
            QString error;
            const bool loaded = sys.Loader.LoadFromFile(path, &error);
            const bool named = error.contains(path) && error.contains("keine Leseberechtigung");
            _exit(!loaded && named && sys.Loader.LineCount() == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(LoaderBadInput, AReadErrorIsAnErrorThatKeepsTheLines) {
    // Reading /proc/self/mem at offset 0 fails after a successful open.
    TFileSystem sys;
    sys.LoadGood();
    QFile probe("/proc/self/mem");
    if (!probe.open(QIODevice::ReadOnly)) GTEST_SKIP() << "/proc/self/mem cannot be opened here";
    probe.close();
    ExpectFailureKeepsLines(sys, "/proc/self/mem", "Fehler beim Lesen");
}

TEST(LoaderBadInput, AnEmptyFileGivesNoLines) {
    TFileSystem sys;
    sys.LoadGood();
    QString error;
    EXPECT_FALSE(sys.Loader.LoadFromFile(QString(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(sys.Loader.LoadFromFile(sys.Write("leer.lst", "")));
    EXPECT_EQ(sys.Loader.LineCount(), 0);
    EXPECT_EQ(sys.Loader.LineOfAddress(0xE000), -1);
    EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
    EXPECT_EQ(sys.NonZeroBytes(), 0);
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(LoaderBadInput, TextEndsAtTheFirstNulAndCrEndsALine) {
    TFileSystem sys;
    QByteArray text = "       1/    E000 : 86 55               ldaa #$55\r";
    text += QByteArray("       2/    E002 : 20", 22);
    text += '\0';
    text += " FE               bra *\n       3/    E004 : 01                  nop\n";
    EXPECT_TRUE(sys.Loader.LoadFromFile(sys.Write("nul.lst", text)));
    ASSERT_EQ(sys.Loader.LineCount(), 2);
    EXPECT_EQ(sys.Loader.Lines()[1].size(), 22);
    sys.Loader.LoadToMemory();
    EXPECT_EQ(sys.Cpu.Memory[0xE000], 0x86);
    EXPECT_EQ(sys.Cpu.Memory[0xE002], 0x00); // the cut line is no code line any more
    EXPECT_EQ(sys.Cpu.Memory[0xE004], 0x00);
}

TEST(LoaderBadInput, BinaryDataWritesNothingOutsideCodeLines) {
    TFileSystem sys;
    QRandomGenerator random(4711);
    for (int round = 0; round < 20; ++round) {
        QByteArray data(64 * 1024, Qt::Uninitialized);
        for (char& b : data) {
            b = static_cast<char>(random.bounded(256));
            if (b == '/') b = 'x'; // no line can pass the code-line test
        }
        sys.Cpu.Memory.fill(0);
        ASSERT_TRUE(sys.Loader.LoadFromFile(sys.Write("binaer.lst", data)));
        for (int32_t i = 0; i < sys.Loader.LineCount(); ++i)
            ASSERT_FALSE(sys.Loader.IsCodeLine(i));
        EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
        EXPECT_EQ(sys.NonZeroBytes(), 0);
    }
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(LoaderBadInput, GiganticLinesAreHandled) {
    TFileSystem sys;
    const QByteArray huge(16 * 1024 * 1024, 'A');
    QByteArray text = "       1/    E000 : 86 55               " + huge + "\n";
    text += huge + "\n";                       // no code line: ignored
    text += QByteArray(20, ' ') + huge + "\n"; // far too long for a continuation line
    EXPECT_TRUE(sys.Loader.LoadFromFile(sys.Write("riesig.lst", text)));
    ASSERT_EQ(sys.Loader.LineCount(), 3);
    EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
    EXPECT_EQ(sys.Cpu.Memory[0xE000], 0x86);
    EXPECT_EQ(sys.Cpu.Memory[0xE001], 0x55);
    EXPECT_EQ(sys.NonZeroBytes(), 2);
}

} // namespace
