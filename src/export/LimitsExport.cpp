#include "ExportPhase.h"
#include "Exports.h"
#include "FieldText.h"
#include "common/Windows1252.h"
#include "common/db/Cursor.h"

#include <array>

namespace tavrel {

namespace {

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
    QString fileName() const override { return QStringLiteral("limieten.csv"); }
    QString label() const override { return QStringLiteral("Limieten"); }

    void prepare(const Cursor& r, const RunInput&) override {
        const char* names[] = {"wcode",    "afstand",  "slag",     "geslacht",
                               "gebjaar1", "gebjaar2", "limiet25", "limiet50"};
        for (size_t i = 0; i < columns_.size(); ++i)
            columns_[i] = r.column(QLatin1String(names[i]));
        from_ = r.column(QStringLiteral("datum1"));
        to_ = r.column(QStringLiteral("datum2"));
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
    QString fileName() const override { return QStringLiteral("niveaus.csv"); }
    QString label() const override { return QStringLiteral("Niveaus"); }

    void prepare(const Cursor& r, const RunInput&) override {
        const char* names[] = {"afstand", "slag",      "geslacht",  "badlengte",
                               "niveau",  "leeftijd1", "leeftijd2", "tijd"};
        for (size_t i = 0; i < columns_.size(); ++i)
            columns_[i] = r.column(QLatin1String(names[i]));
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
