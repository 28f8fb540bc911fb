#include "Databases.h"

#include "TempDir.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

namespace tavrel::test {

namespace {

template <typename F>
void withDatabase(const QString& path, F&& f) {
    static int counter = 0;
    const QString name = QStringLiteral("test-direct-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            ADD_FAILURE() << "cannot open " << path.toStdString();
        f(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QSqlQuery runQuery(QSqlDatabase& db, const QString& statement, const QVariantList& values) {
    QSqlQuery q(db);
    q.prepare(statement);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        ADD_FAILURE() << statement.toStdString() << ": " << q.lastError().text().toStdString();
    return q;
}

} // namespace

QString jetSample(const QString& fileName) {
    return QStringLiteral(TAVREL_TEST_DATA "/jet/") + fileName;
}

QString copyJetSample(const TempDir& dir, const QString& fileName) {
    const QString copy = dir.file(fileName);
    QFile::copy(jetSample(fileName), copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    return copy;
}

QString makeLimitsDatabase(const TempDir& dir, bool withDemoData) {
    const QString path = dir.file(QStringLiteral("limieten.db"));
    const Result<void> made =
        withDemoData ? demo::writeDemoLimitsDatabase(path) : demo::createLimitsDatabase(path);
    EXPECT_TRUE(made.ok()) << made.why().toStdString();
    return path;
}

QString makeClubDatabase(const TempDir& dir, demo::ClubVariant variant, demo::ClubSize size) {
    const QString path =
        dir.file(variant == demo::ClubVariant::Tavrel2006 ? QStringLiteral("team2006.db")
                                                          : QStringLiteral("team2009.db"));
    const Result<void> made = demo::writeClubDatabase(path, variant, size);
    EXPECT_TRUE(made.ok()) << made.why().toStdString();
    return path;
}

void sqlExec(const QString& path, const QString& statement, const QVariantList& values) {
    withDatabase(path, [&](QSqlDatabase& db) { runQuery(db, statement, values); });
}

QList<QVariantList> sqlRows(const QString& path, const QString& query, const QVariantList& values) {
    QList<QVariantList> rows;
    withDatabase(path, [&](QSqlDatabase& db) {
        QSqlQuery q = runQuery(db, query, values);
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << row;
        }
    });
    return rows;
}

} // namespace tavrel::test
