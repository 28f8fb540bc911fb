#include "ExportPhase.h"
#include "Exports.h"
#include "FieldText.h"
#include "common/Windows1252.h"
#include "common/db/Connection.h"
#include "common/db/Cursor.h"

#include <array>

namespace tavrel {

namespace {

// Looks each of names up in table's columns of r; fails on the first missing.
template <size_t N>
Result<void> findColumns(const Cursor& r, const char* const (&names)[N],
                         std::array<int, N>& columns, const QString& path, const char* table) {
    for (size_t i = 0; i < N; ++i) {
        columns[i] = r.column(QLatin1String(names[i]));
        if (columns[i] < 0)
            return failure(missingColumnText(path, QLatin1String(table), QLatin1String(names[i])));
    }
    return {};
}

// Lines of fields joined by ";", the last one without a separator.
template <size_t N>
void joinFields(const Cursor& r, const std::array<int, N>& columns, Line& out) {
    for (size_t i = 0; i < N; ++i) {
        if (i)
            out += ';';
        appendField(out, r, columns[i]);
    }
}

class LimitsExport final : public ExportPhase {
    // Ordered by meet, so that every meet's lines stand together and an
    // import of the file brings back every limit.
    QString query(const RunInput&) const override {
        return QStringLiteral("SELECT limieten.*, wedstrijden.datum1, wedstrijden.datum2 ") +
               QStringLiteral(
                   "FROM wedstrijden INNER JOIN limieten ON wedstrijden.code = limieten.wcode") +
               QStringLiteral(" ORDER BY limieten.wcode");
    }
    std::vector<ReadTable> reads(const RunInput&) const override {
        return {{QStringLiteral("wedstrijden"), {}, QStringLiteral("code")},
                {QStringLiteral("limieten"),
                 {QStringLiteral("wcode"), QStringLiteral("slag"), QStringLiteral("geslacht"),
                  QStringLiteral("limiet25"), QStringLiteral("limiet50")},
                 {}}};
    }
    QString fileName() const override { return QStringLiteral("limieten.csv"); }
    QString label() const override { return QStringLiteral("Limieten"); }

    Result<void> prepare(const Cursor& r, const RunInput& input) override {
        static const char* const names[] = {"wcode",    "afstand",  "slag",     "geslacht",
                                            "gebjaar1", "gebjaar2", "limiet25", "limiet50"};
        // The dates are named by the query, so a missing one is refused before this.
        from_ = r.column(QStringLiteral("datum1"));
        to_ = r.column(QStringLiteral("datum2"));
        return findColumns(r, names, columns_, input.limitsDatabase, "limieten");
    }

    bool line(const Cursor& r, Line& out) override {
        joinFields(r, columns_, out);
        out += ';';
        appendText(out, dateField(r.value(from_)));
        out += ';';
        appendText(out, dateField(r.value(to_)));
        return true;
    }

    std::array<int, 8> columns_{};
    int from_ = -1, to_ = -1;
};

class LevelsExport final : public ExportPhase {
    QString query(const RunInput&) const override {
        return QStringLiteral("SELECT * FROM niveaus");
    }
    std::vector<ReadTable> reads(const RunInput&) const override {
        return {{QStringLiteral("niveaus"),
                 {QStringLiteral("slag"), QStringLiteral("geslacht"), QStringLiteral("niveau"),
                  QStringLiteral("tijd")},
                 {}}};
    }
    QString fileName() const override { return QStringLiteral("niveaus.csv"); }
    QString label() const override { return QStringLiteral("Niveaus"); }

    Result<void> prepare(const Cursor& r, const RunInput& input) override {
        static const char* const names[] = {"afstand", "slag",      "geslacht",  "badlengte",
                                            "niveau",  "leeftijd1", "leeftijd2", "tijd"};
        return findColumns(r, names, columns_, input.limitsDatabase, "niveaus");
    }

    bool line(const Cursor& r, Line& out) override {
        joinFields(r, columns_, out);
        return true;
    }

    std::array<int, 8> columns_{};
};

} // namespace

std::unique_ptr<Phase> makeLimitsExport() {
    return std::make_unique<LimitsExport>();
}
std::unique_ptr<Phase> makeLevelsExport() {
    return std::make_unique<LevelsExport>();
}

} // namespace tavrel
