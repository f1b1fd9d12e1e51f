// Throughput of the text layer: GBK conversion of ASCII and Chinese text, and
// parsing, writing and looking up a large settings document.
//
// Run: bench_text [repetitions]   (default 20)

#include "BenchTiming.h"
#include "base/IniFile.h"
#include "base/TextDecoding.h"
#include "net/Gbk.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int g_repetitions = 20;

// Keeps the optimiser from dropping work whose result is otherwise unused.
volatile qsizetype g_sink = 0;

void Report(const char* what, double ms, double megabytes) {
    std::printf("%-36s %9.3f ms  %9.1f MB/s\n", what, ms, megabytes / (ms / 1000.0));
}

// A settings file's text, and a CSV file's text, as the program reads them.
QString Settings(const QByteArray& bytes) {
    QString text;
    TextEncoding encoding = TextEncoding::Gbk;
    TextDecoding::DecodeSettings(bytes, text, encoding);
    return text;
}

QString UserFile(const QByteArray& bytes) {
    QString text;
    QString error;
    TextEncoding encoding = TextEncoding::Gbk;
    TextDecoding::DecodeUserFile(bytes, text, encoding, error);
    return text;
}

void ConversionFigures() {
    QString ascii;
    for (int i = 0; ascii.size() < (1 << 20); ++i)
        ascii += QStringLiteral("Name%1,13800138000,Street %1,note\r\n").arg(i);
    const QByteArray asciiBytes = ascii.toLatin1();
    const double asciiMb = static_cast<double>(asciiBytes.size()) / 1e6;

    QString chinese;
    while (chinese.size() < (1 << 19))
        chinese += QString::fromUtf8("张三,13800138000,北京市朝阳区,业务跟踪管理系统客户\r\n");
    const QByteArray chineseBytes = Gbk::Encode(chinese);
    const double chineseMb = static_cast<double>(chineseBytes.size()) / 1e6;

    Report("Encode ASCII 1 MB",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + Gbk::Encode(ascii).size(); }),
           asciiMb);
    Report("Decode ASCII 1 MB",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + Gbk::Decode(asciiBytes).size(); }),
           asciiMb);
    Report("DecodeSettings ASCII 1 MB",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + Settings(asciiBytes).size(); }),
           asciiMb);
    Report("Encode Chinese (GBK MB)",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + Gbk::Encode(chinese).size(); }),
           chineseMb);
    Report("Decode Chinese (GBK MB)",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + Gbk::Decode(chineseBytes).size(); }),
           chineseMb);
    Report("DecodeSettings Chinese (GBK MB)",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + Settings(chineseBytes).size(); }),
           chineseMb);
    Report("DecodeUserFile Chinese (GBK MB)",
           bench::BestMilliseconds(g_repetitions,
                                   [&] { g_sink = g_sink + UserFile(chineseBytes).size(); }),
           chineseMb);

    // Many short fields, as the CSV importer converts them one by one.
    QList<QByteArray> fields;
    for (int i = 0; i < 100000; ++i)
        fields.append(QByteArray::number(i) + "abc");
    const double ms = bench::BestMilliseconds(g_repetitions, [&] {
        for (const QByteArray& field : fields)
            g_sink = g_sink + Gbk::Decode(field).size();
    });
    std::printf("%-36s %9.3f ms  %9.1f ns/field\n", "Decode 100000 short ASCII fields", ms,
                ms * 1e6 / 100000.0);
    QList<QByteArray> chineseFields;
    for (int i = 0; i < 100000; ++i)
        chineseFields.append(Gbk::Encode(QString::fromUtf8("客户%1").arg(i)));
    const double chineseMs = bench::BestMilliseconds(g_repetitions, [&] {
        for (const QByteArray& field : chineseFields)
            g_sink = g_sink + Gbk::Decode(field).size();
    });
    std::printf("%-36s %9.3f ms  %9.1f ns/field\n", "Decode 100000 short Chinese fields", chineseMs,
                chineseMs * 1e6 / 100000.0);
}

void SettingsFigures() {
    constexpr int kSections = 200;
    constexpr int kKeys = 50;
    IniFile source;
    for (int s = 0; s < kSections; ++s)
        for (int k = 0; k < kKeys; ++k)
            source.SetString(QStringLiteral("Section%1").arg(s), QStringLiteral("Key%1").arg(k),
                             QString::fromUtf8("值 %1\\%2").arg(s).arg(k));
    const QByteArray bytes = source.ToBytes();
    const double mb = static_cast<double>(bytes.size()) / 1e6;

    Report("IniFile parse 200x50",
           bench::BestMilliseconds(g_repetitions,
                                   [&] {
                                       IniFile ini;
                                       ini.FromBytes(bytes);
                                       QStringList names;
                                       g_sink = g_sink + ini.GetSections(names);
                                   }),
           mb);
    Report(
        "IniFile write 200x50",
        bench::BestMilliseconds(g_repetitions, [&] { g_sink = g_sink + source.ToBytes().size(); }),
        mb);

    // Every key once, section by section in other letter case (defeats the
    // exact-name cache), then the same keys with the section spelled as stored.
    QStringList sectionNames;
    QStringList upperSections;
    QStringList keyNames;
    for (int s = 0; s < kSections; ++s) {
        sectionNames.append(QStringLiteral("Section%1").arg(s));
        upperSections.append(QStringLiteral("SECTION%1").arg(s));
    }
    for (int k = 0; k < kKeys; ++k)
        keyNames.append(QStringLiteral("KEY%1").arg(k));
    const double lookups = static_cast<double>(kSections) * kKeys;
    const double searched = bench::BestMilliseconds(g_repetitions, [&] {
        for (int k = 0; k < kKeys; ++k)
            for (int s = 0; s < kSections; ++s)
                g_sink = g_sink + source.GetString(upperSections.at(s), keyNames.at(k)).size();
    });
    std::printf("%-36s %9.3f ms  %9.1f ns/lookup\n", "GetString, section searched", searched,
                searched * 1e6 / lookups);
    const double cached = bench::BestMilliseconds(g_repetitions, [&] {
        for (int s = 0; s < kSections; ++s)
            for (int k = 0; k < kKeys; ++k)
                g_sink = g_sink + source.GetString(sectionNames.at(s), keyNames.at(k)).size();
    });
    std::printf("%-36s %9.3f ms  %9.1f ns/lookup\n", "GetString, section cached", cached,
                cached * 1e6 / lookups);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        g_repetitions = std::max(1, std::atoi(argv[1]));
    ConversionFigures();
    SettingsFigures();
    return 0;
}
