#pragma once

#include "common/ErrorReport.h"

namespace tavrel {

class Connection;

// One transaction on a connection, rolled back when it ends uncommitted. It
// takes the write lock at once (BEGIN IMMEDIATE), so a database that another
// program holds is found before anything is read or changed, and nothing it
// did is kept when a later step fails.
class Transaction {
public:
    static Result<Transaction> begin(Connection& connection);
    ~Transaction();
    Transaction(Transaction&& other) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    Transaction& operator=(Transaction&&) = delete;

    // Keeps what the transaction did; when the database refuses, it is
    // rolled back.
    Result<void> commit();

private:
    explicit Transaction(Connection& connection)
        : connection_(&connection) {}
    Connection* connection_; // null once committed, rolled back or moved from
};

} // namespace tavrel
