#pragma once

#include "DemoDatabases.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace tavrel::test {

class TempDir;

// A read-only Jet sample file of tests/data/jet.
QString jetSample(const QString& fileName);
// A copy of a Jet sample in dir, for tests that might write.
QString copyJetSample(const TempDir& dir, const QString& fileName);

// A limits database in dir: empty tables, or the demo meets, limits and levels.
QString makeLimitsDatabase(const TempDir& dir, bool withDemoData = false);
// A club database in dir in the layout of variant.
QString makeClubDatabase(const TempDir& dir, demo::ClubVariant variant, demo::ClubSize size = {});

// Direct access to a SQLite file for setting up and checking tests, outside
// the code under test. Foreign keys are off unless the statement turns them on.
void sqlExec(const QString& path, const QString& statement, const QVariantList& values = {});
QList<QVariantList> sqlRows(const QString& path, const QString& query,
                            const QVariantList& values = {});

inline const QVariant kNull = QVariant(QMetaType::fromType<QString>());

} // namespace tavrel::test
