#include "CommandLine.h"

#include "Version.h"

namespace tavrel {

namespace {

QString usage() {
    return QStringLiteral(
        "Gebruik: uploadtavrel [--help] [--version]\n"
        "       uploadtavrel --upload [--zwemmers] [--limieten] [--niveaus] [--csv-map MAP]\n"
        "\n"
        "Maakt van de club- en limietendatabase de CSV-bestanden voor de website\n"
        "en zendt ze per FTP; onderhoudt de limieten en niveaus. Zonder argumenten\n"
        "opent het hoofdvenster.\n"
        "\n"
        "  -h, --help       deze tekst tonen\n"
        "  -v, --version    de versie tonen\n"
        "  --upload         zonder venster uploaden met de opgeslagen instellingen\n"
        "                   (databases, versie, domein, map, gebruiker, wachtwoord);\n"
        "                   voor een geplande upload, ook zonder beeldscherm\n"
        "  --zwemmers       zwemmers en tijden uploaden\n"
        "  --limieten       limieten uploaden\n"
        "  --niveaus        niveaus uploaden\n"
        "                   (zonder een van deze drie: zwemmers en tijden)\n"
        "  --csv-map MAP    de CSV-bestanden ook in MAP bewaren\n"
        "\n"
        "Met --upload meldt het programma het verloop op standaardfout en eindigt\n"
        "het met status 0 als alles is verzonden, 1 als de upload mislukte of werd\n"
        "gestopt, 2 bij onjuiste argumenten, en 3 als er al een upload liep (deze\n"
        "deed dan niets).\n");
}

// Qt's own options, with or without a value, which QApplication takes.
bool isQtOption(const QString& a, bool* takesValue) {
    static const QStringList withValue = {
        QStringLiteral("-platform"),      QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
        QStringLiteral("-display"),       QStringLiteral("-geometry"),
        QStringLiteral("-style"),         QStringLiteral("-stylesheet"),
        QStringLiteral("-session"),       QStringLiteral("-qwindowgeometry"),
        QStringLiteral("-qwindowtitle"),  QStringLiteral("-qwindowicon"),
        QStringLiteral("-name"),          QStringLiteral("-title")};
    static const QStringList plain = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                                      QStringLiteral("-nograb"), QStringLiteral("-dograb"),
                                      QStringLiteral("-sync")};
    *takesValue = withValue.contains(a);
    return *takesValue || plain.contains(a);
}

CommandLine answer(CommandLine::Action action, const QString& text, int status) {
    CommandLine line;
    line.action = action;
    line.text = text;
    line.status = status;
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    auto refuse = [](const QString& why) {
        return answer(CommandLine::Action::Refuse,
                      QStringLiteral("uploadtavrel: ") + why + QStringLiteral("\n\n") + usage(), 2);
    };
    bool upload = false;
    std::array<bool, 3> sets{};
    QString csvFolder;
    QStringList uploadOnly; // options that mean nothing without --upload
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--upload")) {
            upload = true;
            continue;
        }
        const QStringList setNames = {QStringLiteral("--zwemmers"), QStringLiteral("--limieten"),
                                      QStringLiteral("--niveaus")};
        if (const qsizetype set = setNames.indexOf(a); set >= 0) {
            sets[size_t(set)] = true;
            uploadOnly << a;
            continue;
        }
        if (a == QLatin1String("--csv-map") || a.startsWith(QLatin1String("--csv-map="))) {
            const bool joined = a.contains(QLatin1Char('='));
            if (!joined && ++i >= arguments.size())
                return refuse(QStringLiteral("bij --csv-map hoort een map"));
            csvFolder = joined ? a.section(QLatin1Char('='), 1) : arguments[i];
            if (csvFolder.isEmpty())
                return refuse(QStringLiteral("bij --csv-map hoort een map"));
            uploadOnly << QStringLiteral("--csv-map");
            continue;
        }
        if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("-?"))
            return answer(CommandLine::Action::Help, usage(), 0);
        if (a == QLatin1String("-v") || a == QLatin1String("--version"))
            return answer(CommandLine::Action::Version,
                          QStringLiteral("UploadTavrel %1.%2.%3\n")
                              .arg(version::major)
                              .arg(version::minor)
                              .arg(version::revision),
                          0);
        bool takesValue = false;
        if (isQtOption(a, &takesValue)) {
            if (takesValue && ++i >= arguments.size())
                return answer(CommandLine::Action::Refuse,
                              QStringLiteral("uploadtavrel: bij %1 hoort een waarde\n\n").arg(a) +
                                  usage(),
                              2);
            continue;
        }
        return answer(CommandLine::Action::Refuse,
                      QStringLiteral("uploadtavrel: onbekend argument: %1\n\n").arg(a) + usage(),
                      2);
    }
    if (!upload && !uploadOnly.isEmpty())
        return refuse(uploadOnly.first() + QStringLiteral(" hoort bij --upload"));
    if (!upload)
        return {};
    CommandLine line;
    line.action = CommandLine::Action::Upload;
    if (sets[0] || sets[1] || sets[2])
        line.dataSets = sets;
    line.csvFolder = csvFolder;
    return line;
}

QString noDisplayText() {
    return QStringLiteral("uploadtavrel: er is geen beeldscherm beschikbaar (DISPLAY is niet "
                          "ingesteld of niet bereikbaar). Start het programma in een grafische "
                          "sessie.\n");
}

} // namespace tavrel
