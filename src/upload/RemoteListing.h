#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace tavrel {

// The plain files of a server's folder listing (LIST, or SFTP's long names):
// Unix lines ("-rw-r--r-- 1 own grp 26807 Dec  8 00:10 name") and Windows
// lines ("12-08-26  12:10AM  26807 name"). Lines in neither form, folders
// and links are left out.
struct ListedFile {
    QByteArray name;
    qint64 size = 0;
};
QList<ListedFile> filesInListing(const QByteArray& listing);

// The size the listing gives for one file, for servers that do not answer
// SIZE; -1 when it has no such file.
qint64 sizeInListing(const QByteArray& listing, const QByteArray& name);

} // namespace tavrel
