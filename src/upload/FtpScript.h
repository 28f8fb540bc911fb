#pragma once

#include "common/RunPhase.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavrel {

inline const QString kFtpScriptName = QStringLiteral("ftp_send.ftp");
inline const QString kFtpLogName = QStringLiteral("ftp_send.ftp.log");

// The files the upload sends, in their order: "zwemmers.csv" and
// "tijden.csv" for the first data set, "limieten.csv", "niveaus.csv".
QStringList sentFiles(const RunInput& input);

// The command script: open, user, password, hash, ascii, cd, a send line per
// file of the ticked data sets, close, bye, each ended by CR LF, and one more
// CR LF. Fields are written as they are, empty ones too.
QString ftpScriptText(const RunInput& input, const QString& outputFolder);

} // namespace tavrel
