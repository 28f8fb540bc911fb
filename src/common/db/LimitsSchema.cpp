#include "LimitsSchema.h"

#include <QFile>

namespace tavrel {

QStringList splitSqlScript(const QString& script) {
    QStringList statements;
    QString statement;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            statements << statement.trimmed().chopped(1);
            statement.clear();
        }
    }
    return statements;
}

QStringList limitsSchemaStatements() {
    QFile schema(QStringLiteral(":/schema/limieten.sql"));
    schema.open(QIODevice::ReadOnly);
    return splitSqlScript(QString::fromUtf8(schema.readAll()));
}

} // namespace tavrel
