// What a server sends that the runner reads itself: a certificate (DER or
// PEM), and a folder listing for a file's size.
#include "upload/Certificate.h"
#include "upload/RemoteListing.h"

#include <cstddef>
#include <cstdint>

using namespace tavrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readCertificate(bytes);
    sizeInListing(bytes, ".tijden.csv.upload");
    sizeInListing(bytes, bytes.left(bytes.indexOf('\n')));
    return 0;
}
