#pragma once

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

// The script runner's words for what libcurl reports: short remarks for the
// transcript, and reasons a volunteer can act on.
namespace tavrel::reasons {

// Errors after which the control connection is gone.
bool dropsConnection(CURLcode code);

// libcurl's reason for a failed request, in the transcript's language.
QString remark(CURLcode code);

// A failed connection or login: what to check.
QString connection(CURLcode code, long reply, const QString& host);

// A file that did not go, naming the file.
QString sending(CURLcode code, long reply, const QString& file);

// A refusal that asks for TLS, as servers word it.
bool wantsTls(const QByteArray& reply);

} // namespace tavrel::reasons
