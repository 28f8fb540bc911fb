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
    // On failure began() is false and error (when given) says why.
    explicit Transaction(Connection& connection, ErrorInfo* error = nullptr);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool began() const { return began_; }
    // Keeps what the transaction did; false (and rolled back) when the
    // database refuses, with error filled.
    bool commit(ErrorInfo* error = nullptr);

private:
    Connection& connection_;
    bool began_ = false;
    bool done_ = false;
};

} // namespace tavrel
