#include "Transaction.h"

#include "Connection.h"

namespace tavrel {

Result<Transaction> Transaction::begin(Connection& connection) {
    if (Result<void> began = connection.Execute(QStringLiteral("BEGIN IMMEDIATE")); !began)
        return began.error();
    return Transaction(connection);
}

Transaction::Transaction(Transaction&& other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)) {}

Transaction::~Transaction() {
    if (connection_)
        (void)connection_->Execute(QStringLiteral("ROLLBACK"));
}

Result<void> Transaction::commit() {
    if (!connection_)
        return failure(QStringLiteral("De wijziging is al afgesloten."));
    Connection* connection = std::exchange(connection_, nullptr);
    Result<void> committed = connection->Execute(QStringLiteral("COMMIT"));
    // A refused COMMIT leaves the transaction open: end it here.
    if (!committed)
        (void)connection->Execute(QStringLiteral("ROLLBACK"));
    return committed;
}

} // namespace tavrel
