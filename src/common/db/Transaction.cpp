#include "Transaction.h"

#include "Connection.h"

namespace tavrel {

Transaction::Transaction(Connection& connection, ErrorInfo* error)
    : connection_(connection) {
    began_ = connection_.Execute(QStringLiteral("BEGIN IMMEDIATE"), {}, error);
}

Transaction::~Transaction() {
    if (began_ && !done_)
        connection_.Execute(QStringLiteral("ROLLBACK"));
}

bool Transaction::commit(ErrorInfo* error) {
    if (!began_ || done_)
        return false;
    done_ = true;
    if (connection_.Execute(QStringLiteral("COMMIT"), {}, error))
        return true;
    // A refused COMMIT leaves the transaction open: end it here.
    connection_.Execute(QStringLiteral("ROLLBACK"));
    return false;
}

} // namespace tavrel
