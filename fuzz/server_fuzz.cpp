// What a server sends that the runner reads itself: a certificate (DER or
// PEM) with why it may not be trusted, and a folder listing for a file's
// size; a key file of the user's; and a local file's line ends changed
// piece by piece as it is sent; the record of what was sent before, as the
// data folder may hold it after a crash or an edit.
#include "upload/Certificate.h"
#include "upload/LineEnds.h"
#include "upload/RemoteListing.h"
#include "upload/SentRecord.h"
#include "upload/SshKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto c = readCertificate(bytes))
        certificateDoubts(*c, QStringLiteral("ftp.club.nl"), QDateTime::currentDateTimeUtc());
    keyWithoutPassphrase(bytes);
    {
        const SentRecord record = SentRecord::read(bytes);
        if (SentRecord::read(record.text()).text() != record.text())
            __builtin_trap(); // what it writes it reads back the same
    }
    sizeInListing(bytes, ".tijden.csv.upload");
    sizeInListing(bytes, bytes.left(bytes.indexOf('\n')));
    for (const bool putCr : {false, true}) {
        LineFeedPieces ends(putCr);
        char buffer[16];
        for (qsizetype at = 0;;) {
            const QByteArray piece = bytes.mid(at, ends.readRoom(sizeof buffer));
            std::memcpy(buffer + ends.held(), piece.constData(), size_t(piece.size()));
            ends.take(buffer, piece.size());
            if (piece.isEmpty())
                break;
            at += piece.size();
        }
    }
    return 0;
}
