#include "ClubCodes.h"
#include "ColumnRanks.h"
#include "ExportPhase.h"
#include "Exports.h"
#include "FieldText.h"
#include "MeetTexts.h"
#include "common/Values.h"
#include "common/Windows1252.h"
#include "common/db/Cursor.h"

#include <QHash>

#include <sqlite3.h>

#include <array>
#include <functional>

namespace tavrel {

namespace {

// More meet dates than this (eighty years of weekly meets) and the
// statement sorts: the lines filed per date stay few and large.
constexpr int kMaxDates = 4096;

class TimesExport final : public ExportPhase, private LineOrder {
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
    // The meets, members and strokes are joined to each result by their key.
    std::vector<ReadTable> reads(const RunInput& input) const override {
        const bool v2006 = input.version == QLatin1String("2006");
        return {{QStringLiteral("RESULTS"), {}, {}},
                {QStringLiteral("MEETS"),
                 {QStringLiteral("PLACE"), QStringLiteral("NAME")},
                 QStringLiteral("MEETSID")},
                {QStringLiteral("MEMBERS"),
                 {QStringLiteral("REGISTRATIONID")},
                 QStringLiteral("MEMBERSID")},
                {v2006 ? QStringLiteral("STYLES") : QStringLiteral("SWIMSTYLE"),
                 {},
                 v2006 ? QStringLiteral("STYLESID") : QStringLiteral("SWIMSTYLEID")}};
    }
    // The times come by meet date. The meets are few: their dates are ranked
    // once, and each line is filed under its date's rank.
    LineOrder* lineOrder(Connection& connection) override {
        dates_ = ColumnRanks::load(connection, QStringLiteral("MEETS"), QStringLiteral("MINDATE"),
                                   kMaxDates);
        meets_.setRanks(dates_.get());
        return dates_ ? this : nullptr;
    }
    int ranks() const override { return dates_->count(); }
    int rankOf(const Cursor& r) override { return meets_.of(r).rank; }

    QString fileName() const override { return QStringLiteral("tijden.csv"); }
    QString label() const override { return QStringLiteral("Tijden"); }

    Result<void> prepare(const Cursor& r, const RunInput& input) override {
        // The query names every column, so a missing one is refused before this.
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
        meets_.setColumns(place_, date_, name_);
        const ClubLayout layout = layout_;
        poolCodes_.convert = [layout](const QVariant& v) { return poolText(layout, v); };
        strokeCodes_.convert = [layout](const QVariant& v) { return strokeText(layout, v); };
        distanceCodes_.convert = [layout](const QVariant& v) { return distanceText(layout, v); };
        typeCodes_.convert = [](const QVariant& v) { return resultTypeText(v); };
        return {};
    }

    bool line(const Cursor& r, Line& out) override {
        const Line* registration = registrationText(r);
        if (!registration)
            return false;
        // The meets are few: their texts are made once. Each piece carries
        // its separator, so a line is a few appends.
        put(out, meets_.of(r).text);
        put(out, poolCodes_.of(r, pool_));
        put(out, strokeCodes_.of(r, stroke_));
        put(out, distanceCodes_.of(r, distance_));
        out += *registration;
        if (r.type(time_) == SQLITE_INTEGER)
            appendTime(out, layout_, r.integer(time_));
        else
            appendText(out, timeText(layout_, r.value(time_)));
        out += ';';
        put(out, typeCodes_.of(r, type_));
        return true;
    }

    // The registration of a member with a numeric one and its separator;
    // null for any other. The test of a text is remembered per distinct text.
    const Line* registrationText(const Cursor& r) {
        registrationText_.clear();
        switch (r.type(registration_)) {
        case SQLITE_INTEGER:
            appendField(registrationText_, r, registration_);
            break;
        case SQLITE_NULL:
            return nullptr; // stands for "Fout", which is no number
        case SQLITE_TEXT: {
            const QByteArrayView text = r.utf8(registration_);
            const std::string_view key(text.data(), size_t(text.size()));
            auto known = numeric_.find(key);
            if (known == numeric_.end()) {
                if (numeric_.size() > 100000)
                    numeric_.clear(); // bounded, whatever the file holds
                known =
                    numeric_
                        .emplace(key, isNumeric(Nz(r.value(registration_), QStringLiteral("Fout"))))
                        .first;
            }
            if (!known->second)
                return nullptr;
            appendUtf8(registrationText_, text);
            break;
        }
        default: {
            const QVariant registration = Nz(r.value(registration_), QStringLiteral("Fout"));
            if (!isNumeric(registration))
                return nullptr;
            appendText(registrationText_, fieldText(registration));
        }
        }
        registrationText_ += ';';
        return &registrationText_;
    }

    // A code column: the text of each whole number, with its separator, is
    // made once.
    struct Codes {
        std::function<QString(const QVariant&)> convert;
        QByteArray text(const QVariant& v) const { return toWindows1252(convert(v)) + ';'; }
        std::array<QByteArray, 64> small; // the usual codes, by value
        std::array<bool, 64> made{};
        QHash<qint64, QByteArray> known;
        QByteArray scratch;
        const QByteArray& of(const Cursor& r, int column) {
            if (r.type(column) != SQLITE_INTEGER) {
                scratch = text(r.value(column));
                return scratch;
            }
            const qint64 code = r.integer(column);
            if (code >= 0 && code < qint64(small.size())) {
                if (!made[size_t(code)]) {
                    small[size_t(code)] = text(r.value(column));
                    made[size_t(code)] = true;
                }
                return small[size_t(code)];
            }
            auto it = known.constFind(code);
            if (it == known.cend()) {
                if (known.size() > 1000)
                    known.clear();
                it = known.insert(code, text(r.value(column)));
            }
            return *it;
        }
    };

    ClubLayout layout_ = ClubLayout::Tavrel2009;
    std::unique_ptr<ColumnRanks> dates_;
    MeetTexts meets_;
    Codes poolCodes_, strokeCodes_, distanceCodes_, typeCodes_;
    ByBytes<bool> numeric_;
    Line registrationText_;
    int place_ = -1, date_ = -1, name_ = -1, pool_ = -1, distance_ = -1, stroke_ = -1,
        registration_ = -1, time_ = -1, type_ = -1;
};

} // namespace

std::unique_ptr<Phase> makeTimesExport() {
    return std::make_unique<TimesExport>();
}

} // namespace tavrel
