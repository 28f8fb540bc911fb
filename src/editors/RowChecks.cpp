#include "RowChecks.h"

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

void checkLimitRow(ChangeReason reason, GridRecord& row, ChangeStatus& status,
                   bool& deleteConfirmed, const LimitRowContext& context) {
    if (reason == ChangeReason::Delete) {
        confirmDeletion(status, deleteConfirmed);
        return;
    }
    if (!deleteConfirmed) {
        const QVariant from = row.value(QStringLiteral("gebjaar1"));
        if (isMissing(from)) {
            status = ChangeStatus::Cancel;
            deleteConfirmed = false;
            return;
        }
        if (isGreater(from, row.value(QStringLiteral("gebjaar2"))))
            warn(QStringLiteral("Geboortejaren zijn incorrect"));
        if (context.sameLimit)
            row.setValue(QStringLiteral("limiet50"), row.value(QStringLiteral("limiet25")));
        if (hasWrongTimeLength(row.value(QStringLiteral("limiet25"))) ||
            hasWrongTimeLength(row.value(QStringLiteral("limiet50"))))
            warn(QStringLiteral("Limieten hebben niet formaat 00.00.00"));
        row.setValue(QStringLiteral("wcode"), context.code);
        row.setValue(QStringLiteral("afstand"), context.distance);
        row.setValue(QStringLiteral("slag"), context.stroke);
        row.setValue(QStringLiteral("geslacht"), context.gender);
    }
    deleteConfirmed = false;
}

void checkLevelRow(ChangeReason reason, GridRecord& row, ChangeStatus& status,
                   bool& deleteConfirmed, const LevelRowContext& context) {
    if (reason == ChangeReason::Delete) {
        confirmDeletion(status, deleteConfirmed);
        return;
    }
    if (!deleteConfirmed) {
        const QVariant from = row.value(QStringLiteral("leeftijd1"));
        if (isMissing(from)) {
            status = ChangeStatus::Cancel;
            deleteConfirmed = false;
            return;
        }
        if (isGreater(from, row.value(QStringLiteral("leeftijd2"))))
            warn(QStringLiteral("Leeftijden zijn incorrect"));
        if (hasWrongTimeLength(row.value(QStringLiteral("tijd"))))
            warn(QStringLiteral("Tijd heeft niet formaat 00.00.00"));
        row.setValue(QStringLiteral("afstand"), context.distance);
        row.setValue(QStringLiteral("slag"), context.stroke);
        row.setValue(QStringLiteral("geslacht"), context.gender);
        row.setValue(QStringLiteral("badlengte"), context.pool);
        row.setValue(QStringLiteral("niveau"), context.level);
    }
    deleteConfirmed = false;
}

} // namespace tavrel
