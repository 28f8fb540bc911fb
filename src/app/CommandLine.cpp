#include "CommandLine.h"

#include "Version.h"

namespace tavrel {

namespace {

QString usage() {
    return QStringLiteral(
        "Gebruik: uploadtavrel [--help] [--version]\n"
        "\n"
        "Maakt van de club- en limietendatabase de CSV-bestanden voor de website\n"
        "en zendt ze per FTP; onderhoudt de limieten en niveaus. Zonder argumenten\n"
        "opent het hoofdvenster.\n"
        "\n"
        "  -h, --help     deze tekst tonen\n"
        "  -v, --version  de versie tonen\n");
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

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("-?"))
            return {CommandLine::Action::Help, usage(), 0};
        if (a == QLatin1String("-v") || a == QLatin1String("--version"))
            return {CommandLine::Action::Version,
                    QStringLiteral("UploadTavrel %1.%2.%3\n")
                        .arg(version::major)
                        .arg(version::minor)
                        .arg(version::revision),
                    0};
        bool takesValue = false;
        if (isQtOption(a, &takesValue)) {
            if (takesValue && ++i >= arguments.size())
                return {CommandLine::Action::Refuse,
                        QStringLiteral("uploadtavrel: bij %1 hoort een waarde\n\n").arg(a) +
                            usage(),
                        2};
            continue;
        }
        return {CommandLine::Action::Refuse,
                QStringLiteral("uploadtavrel: onbekend argument: %1\n\n").arg(a) + usage(), 2};
    }
    return {};
}

QString noDisplayText() {
    return QStringLiteral("uploadtavrel: er is geen beeldscherm beschikbaar (DISPLAY is niet "
                          "ingesteld of niet bereikbaar). Start het programma in een grafische "
                          "sessie.\n");
}

} // namespace tavrel
