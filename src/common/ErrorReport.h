#pragma once

#include "Result.h"

namespace tavrel {

// Common error numbers, kept from the numbering users and old reports know.
namespace ErrorNumber {
constexpr qint32 InvalidArgument = 5;
constexpr qint32 TypeMismatch = 13;
constexpr qint32 FileNotFound = 53;
constexpr qint32 PermissionDenied = 70;
constexpr qint32 PathAccess = 75;
constexpr qint32 UploadFailed = -2147220991; // 0x80040201: object-error base + 513
} // namespace ErrorNumber

// The four-line text of the error report.
QString errorReportText(const QString& place, const ErrorInfo& error);

// Shows the error report "Foutmelding!" and returns when the user pressed OK.
void ReportError(const QString& place, const ErrorInfo& error);

} // namespace tavrel
