#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>
#include <variant>

namespace tavrel {

// Why something failed: the one failure every layer below the windows
// answers with. Number, Source and Description are the error record that the
// error report shows (Description in plain Dutch). Code is apart from them:
// the underlying library's or system's own code (a SQLite result code, errno,
// a Windows error), 0 where there is none. A decision such as "try again
// later" asks Code, never Number.
struct ErrorInfo {
    qint32 Number = 0;
    QString Source;
    QString Description;
    int Code = 0;
};

// Source of the errors the program raises itself.
inline const QString kErrorSource = QStringLiteral("UploadTavrel");

// A failure the program raises itself, said in Dutch.
inline ErrorInfo failure(QString description, qint32 number = 0, int code = 0) {
    return {number, kErrorSource, std::move(description), code};
}

// What error() answers for a result that did not fail.
inline const ErrorInfo& noFailure() {
    static const ErrorInfo none;
    return none;
}

// A value, or why there is none.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value)
        : state_(std::in_place_index<0>, std::move(value)) {}
    Result(ErrorInfo error)
        : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // The failure; an empty record when there is none.
    const ErrorInfo& error() const {
        const ErrorInfo* e = std::get_if<1>(&state_);
        return e ? *e : noFailure();
    }
    // The Dutch text of the failure ("" when there is none).
    const QString& why() const { return error().Description; }

private:
    std::variant<T, ErrorInfo> state_;
};

// Done, or why not.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(ErrorInfo error)
        : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    const ErrorInfo& error() const { return error_ ? *error_ : noFailure(); }
    const QString& why() const { return error().Description; }

private:
    std::optional<ErrorInfo> error_;
};

} // namespace tavrel
