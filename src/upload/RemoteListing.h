#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace tavrel {

// The size a server's folder listing (LIST) gives for one file, for servers
// that do not answer SIZE: Unix lines ("-rw-r--r-- 1 own grp 26807 Dec  8
// 00:10 name") and Windows lines ("12-08-26  12:10AM  26807 name"). -1 when
// the listing has no such file or its line is in neither form.
qint64 sizeInListing(const QByteArray& listing, const QByteArray& name);

} // namespace tavrel
