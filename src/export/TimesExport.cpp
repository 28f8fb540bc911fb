#include "ClubCodes.h"
#include "ExportPhase.h"
#include "Exports.h"
#include "FieldText.h"
#include "common/Values.h"
#include "common/db/Recordset.h"

namespace tavrel {

namespace {

class TimesExport final : public ExportPhase {
    QString query(const RunInput& input) const override {
        if (input.version == QLatin1String("2006"))
            return QStringLiteral("SELECT MEETS.PLACE, MEETS.MINDATE, MEETS.NAME, MEETS.POOL, "
                                  "STYLES.DISTANCE, ") +
                   QStringLiteral("STYLES.STROKE, MEMBERS.REGISTRATIONID, RESULTS.TOTALTIME, "
                                  "RESULTS.RESULTTYP ") +
                   QStringLiteral(
                       "FROM STYLES INNER JOIN (MEMBERS INNER JOIN (MEETS INNER JOIN RESULTS ON ") +
                   QStringLiteral("MEETS.MEETSID = RESULTS.MEETSID) ON MEMBERS.MEMBERSID = "
                                  "RESULTS.MEMBERSID) ON ") +
                   QStringLiteral("STYLES.STYLESID = RESULTS.STYLESID ") +
                   QStringLiteral("ORDER BY MEETS.MINDATE");
        return QStringLiteral("SELECT MEETS.PLACE, MEETS.MINDATE, MEETS.NAME, MEETS.COURSE, "
                              "SWIMSTYLE.DISTANCE, ") +
               QStringLiteral("SWIMSTYLE.STROKE, MEMBERS.REGISTRATIONID, RESULTS.TOTALTIME, "
                              "RESULTS.RESULTTYP ") +
               QStringLiteral(
                   "FROM SWIMSTYLE INNER JOIN (MEMBERS INNER JOIN (MEETS INNER JOIN RESULTS ON ") +
               QStringLiteral("MEETS.MEETSID = RESULTS.MEETSID) ON MEMBERS.MEMBERSID = "
                              "RESULTS.MEMBERSID) ON ") +
               QStringLiteral("SWIMSTYLE.SWIMSTYLEID = RESULTS.STYLESID ") +
               QStringLiteral("ORDER BY MEETS.MINDATE");
    }
    QString fileName() const override { return QStringLiteral("tijden.csv"); }
    QString label() const override { return QStringLiteral("Tijden"); }

    void prepare(const Recordset& r, const RunInput& input) override {
        layout_ = input.version == QLatin1String("2006") ? ClubLayout::Tavrel2006
                                                         : ClubLayout::Tavrel2009;
        place_ = r.column(QStringLiteral("PLACE"));
        date_ = r.column(QStringLiteral("MINDATE"));
        name_ = r.column(QStringLiteral("NAME"));
        pool_ = r.column(layout_ == ClubLayout::Tavrel2006 ? QStringLiteral("POOL")
                                                           : QStringLiteral("COURSE"));
        distance_ = r.column(QStringLiteral("DISTANCE"));
        stroke_ = r.column(QStringLiteral("STROKE"));
        registration_ = r.column(QStringLiteral("REGISTRATIONID"));
        time_ = r.column(QStringLiteral("TOTALTIME"));
        type_ = r.column(QStringLiteral("RESULTTYP"));
    }

    bool line(const Recordset& r, QString& out) override {
        const QVariant registration = Nz(r.value(registration_), QStringLiteral("Fout"));
        if (!IsNumeric(registration))
            return false;
        // Results come by meet date: most lines repeat the date before them.
        const QVariant date = r.value(date_);
        if (date != lastDate_) {
            lastDate_ = date;
            lastDateText_ = dateField(date);
        }
        const QChar sep = QLatin1Char(';');
        out += fieldText(r.value(place_)) + sep + lastDateText_ + sep + fieldText(r.value(name_)) +
               sep + poolText(layout_, r.value(pool_)) + sep +
               strokeText(layout_, r.value(stroke_)) + sep +
               distanceText(layout_, r.value(distance_)) + sep + fieldText(registration) + sep +
               timeText(layout_, r.value(time_)) + sep + resultTypeText(r.value(type_)) + sep;
        return true;
    }

    ClubLayout layout_ = ClubLayout::Tavrel2009;
    QVariant lastDate_;
    QString lastDateText_;
    int place_ = -1, date_ = -1, name_ = -1, pool_ = -1, distance_ = -1, stroke_ = -1,
        registration_ = -1, time_ = -1, type_ = -1;
};

} // namespace

std::unique_ptr<Phase> makeTimesExport() {
    return std::make_unique<TimesExport>();
}

} // namespace tavrel
