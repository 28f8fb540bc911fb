#include "ExportPhase.h"
#include "Exports.h"
#include "FieldText.h"
#include "common/Values.h"
#include "common/Windows1252.h"
#include "common/db/Cursor.h"

namespace tavrel {

namespace {

class SwimmersExport final : public ExportPhase {
    QString query(const RunInput& input) const override {
        return QStringLiteral("SELECT REGISTRATIONID, FIRSTNAME, NAMEPREFIX, LASTNAME, ") +
               sexColumn(input) + QStringLiteral(", BIRTHDATE, ACTIVE ") +
               QStringLiteral("FROM MEMBERS");
    }
    std::vector<ReadTable> reads(const RunInput&) const override {
        return {{QStringLiteral("MEMBERS"),
                 {QStringLiteral("REGISTRATIONID"), QStringLiteral("FIRSTNAME"),
                  QStringLiteral("NAMEPREFIX"), QStringLiteral("LASTNAME")},
                 {}}};
    }
    QString fileName() const override { return QStringLiteral("zwemmers.csv"); }
    QString label() const override { return QStringLiteral("Zwemmers"); }

    static QString sexColumn(const RunInput& input) {
        return input.version == QLatin1String("2006") ? QStringLiteral("SEX")
                                                      : QStringLiteral("GENDER");
    }

    Result<void> prepare(const Cursor& r, const RunInput& input) override {
        // The query names every column, so a missing one is refused before this.
        v2006_ = input.version == QLatin1String("2006");
        registration_ = r.column(QStringLiteral("REGISTRATIONID"));
        first_ = r.column(QStringLiteral("FIRSTNAME"));
        prefix_ = r.column(QStringLiteral("NAMEPREFIX"));
        last_ = r.column(QStringLiteral("LASTNAME"));
        sex_ = r.column(sexColumn(input));
        birth_ = r.column(QStringLiteral("BIRTHDATE"));
        active_ = r.column(QStringLiteral("ACTIVE"));
        return {};
    }

    bool line(const Cursor& r, Line& out) override {
        // A missing number becomes "Fout", which is no number: the member is skipped.
        const QVariant registration = Nz(r.value(registration_), QStringLiteral("Fout"));
        if (!isNumeric(registration))
            return false;
        const QVariant active = r.value(active_);
        const bool isActive = v2006_
                                  ? equalsNumber(active, -1)
                                  : !isNullValue(active) && active.toString() == QLatin1String("T");
        const bool boy = equalsNumber(r.value(sex_), v2006_ ? 0 : 1);
        const QChar sep = QLatin1Char(';');
        appendText(out, QString(fieldText(registration) + sep + fieldText(r.value(first_)) + sep +
                                fieldText(r.value(prefix_)) + sep + fieldText(r.value(last_)) +
                                sep + (boy ? QLatin1Char('j') : QLatin1Char('m')) + sep +
                                dateField(r.value(birth_)) + sep +
                                (isActive ? QLatin1Char('1') : QLatin1Char('0'))));
        return true;
    }

    bool v2006_ = false;
    int registration_ = -1, first_ = -1, prefix_ = -1, last_ = -1, sex_ = -1, birth_ = -1,
        active_ = -1;
};

} // namespace

std::unique_ptr<Phase> makeSwimmersExport() {
    return std::make_unique<SwimmersExport>();
}

} // namespace tavrel
