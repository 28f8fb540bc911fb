#include "RowChecks.h"

#include <functional>

#include "common/Ui.h"
#include "common/Values.h"

namespace tavrel {

namespace {

void warn(const QString& text) {
    Ui::current().messageBox(text, kProgramTitle, Buttons::Ok, Icon::None);
}

// "from" after "to", an empty "to" counting as 0.
bool isGreater(const QVariant& from, const QVariant& to) {
    return from.toLongLong() > Nz(to, 0).toLongLong();
}

bool isMissing(const QVariant& v) {
    return isNullValue(v) || isEmptyValue(v);
}

} // namespace

void confirmDeletion(ChangeStatus& status, bool& deleteConfirmed) {
    const Answer a = Ui::current().messageBox(QStringLiteral("Bevestig verwijderen"), kProgramTitle,
                                              Buttons::OkCancel, Icon::None);
    deleteConfirmed = a == Answer::Ok;
    if (!deleteConfirmed)
        status = ChangeStatus::Cancel;
}

bool hasWrongTimeLength(const QVariant& value) {
    return !isNullValue(value) && !isEmptyValue(value) && value.toString().size() != 8;
}

namespace {

// The frame both editors' checks share: a deletion asks first; the update
// that follows a confirmed deletion passes untouched; a row without its
// first birth year or age is refused silently; any other update is checked
// and completed by checkUpdate. Every update clears the deletion flag.
void checkChange(ChangeReason reason, GridRecord& row, ChangeStatus& status, bool& deleteConfirmed,
                 const QString& firstColumn, const std::function<void(GridRecord&)>& checkUpdate) {
    if (reason == ChangeReason::Delete) {
        confirmDeletion(status, deleteConfirmed);
        return;
    }
    if (!deleteConfirmed) {
        if (isMissing(row.value(firstColumn)))
            status = ChangeStatus::Cancel;
        else
            checkUpdate(row);
    }
    deleteConfirmed = false;
}

} // namespace

void checkLimitRow(ChangeReason reason, GridRecord& row, ChangeStatus& status,
                   bool& deleteConfirmed, const LimitRowContext& context) {
    checkChange(
        reason, row, status, deleteConfirmed, QStringLiteral("gebjaar1"),
        [&context](GridRecord& r) {
            if (isGreater(r.value(QStringLiteral("gebjaar1")), r.value(QStringLiteral("gebjaar2"))))
                warn(QStringLiteral("Geboortejaren zijn incorrect"));
            if (context.sameLimit)
                r.setValue(QStringLiteral("limiet50"), r.value(QStringLiteral("limiet25")));
            if (hasWrongTimeLength(r.value(QStringLiteral("limiet25"))) ||
                hasWrongTimeLength(r.value(QStringLiteral("limiet50"))))
                warn(QStringLiteral("Limieten hebben niet formaat 00.00.00"));
            r.setValue(QStringLiteral("wcode"), context.code);
            r.setValue(QStringLiteral("afstand"), context.distance);
            r.setValue(QStringLiteral("slag"), context.stroke);
            r.setValue(QStringLiteral("geslacht"), context.gender);
        });
}

void checkLevelRow(ChangeReason reason, GridRecord& row, ChangeStatus& status,
                   bool& deleteConfirmed, const LevelRowContext& context) {
    checkChange(reason, row, status, deleteConfirmed, QStringLiteral("leeftijd1"),
                [&context](GridRecord& r) {
                    if (isGreater(r.value(QStringLiteral("leeftijd1")),
                                  r.value(QStringLiteral("leeftijd2"))))
                        warn(QStringLiteral("Leeftijden zijn incorrect"));
                    if (hasWrongTimeLength(r.value(QStringLiteral("tijd"))))
                        warn(QStringLiteral("Tijd heeft niet formaat 00.00.00"));
                    r.setValue(QStringLiteral("afstand"), context.distance);
                    r.setValue(QStringLiteral("slag"), context.stroke);
                    r.setValue(QStringLiteral("geslacht"), context.gender);
                    r.setValue(QStringLiteral("badlengte"), context.pool);
                    r.setValue(QStringLiteral("niveau"), context.level);
                });
}

} // namespace tavrel
