#include "upload/Certificate.h"
#include "upload/FtpAddress.h"
#include "upload/LineEnds.h"
#include "upload/RemoteListing.h"

#include <QFile>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

using namespace tavrel;

namespace {

QByteArray dataFile(const char* name) {
    QFile f(QStringLiteral(TAVREL_TEST_DATA "/certificates/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(RemoteListing, FindsTheSizeInUnixAndWindowsListings) {
    const QByteArray posix =
        "drwxr-xr-x    2 club  club      4096 Dec  8 00:10 .\r\n"
        "-rw-r--r--    1 club  club     26807 Dec  8 00:10 .tijden.csv.upload\r\n"
        "-rw-r--r--    1 club  club       512 Jan 31  2025 met spatie.csv\r\n"
        "lrwxrwxrwx    1 club  club        11 Dec  8 00:10 link.csv -> x\r\n";
    const QByteArray windows = "12-08-26  12:10AM       <DIR>          oud\r\n"
                               "12-08-26  12:10AM                26807 .tijden.csv.upload\r\n";
    const struct {
        const QByteArray& listing;
        const char* name;
        qint64 size;
    } cases[] = {
        {posix, ".tijden.csv.upload", 26807},
        {posix, "met spatie.csv", 512},
        {posix, "tijden.csv.upload", -1}, // only the whole name counts
        {posix, "link.csv", -1},          // a link is not the file
        {posix, ".", -1},                 // a folder neither
        {windows, ".tijden.csv.upload", 26807},
        {windows, "oud", -1},
        {"-rw-r--r-- 1 a b 99999999999999999999 Dec 8 00:10 x\n", "x", -1}, // no number
        {"", "x", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sizeInListing(c.listing, c.name), c.size);
    }
}

TEST(FtpAddress, TheSchemeChoosesTlsOrSshAndItsStandardPort) {
    using Tls = FtpAddress::Tls;
    const struct {
        const char* domain;
        const char* portWord; // after "open HOST"
        Tls tls;
        bool ssh;
        const char* host;
        const char* port;
    } cases[] = {
        {"ftp.club.nl", "", Tls::Offered, false, "ftp.club.nl", "21"},
        {"FTPS://ftp.club.nl/", "", Tls::Required, false, "ftp.club.nl", "21"},
        {"ftp://ftp.club.nl:2121", "", Tls::Never, false, "ftp.club.nl", "2121"},
        {"sftp://ssh.club.nl", "", Tls::Offered, true, "ssh.club.nl", "22"},
        {"sftp://[::1]:2222", "", Tls::Offered, true, "::1", "2222"},
        {"ftp.club.nl:2121", "990", Tls::Offered, false, "ftp.club.nl", "990"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.domain);
        const Result<FtpAddress> a =
            readAddress(QLatin1String(c.domain), QLatin1String(c.portWord));
        ASSERT_TRUE(a.ok()) << a.why().toStdString();
        EXPECT_EQ(a->tls, c.tls);
        EXPECT_EQ(a->ssh, c.ssh);
        EXPECT_EQ(a->host, QLatin1String(c.host));
        EXPECT_EQ(a->port, QLatin1String(c.port));
    }
    EXPECT_EQ(readAddress(QStringLiteral("sftp://"), QString()).why(),
              QStringLiteral("ongeldige domeinnaam: "));
}

// Whatever the pieces a file is read in, the line ends come out the same:
// LF where libcurl puts the CR back, CR LF where it does not (Windows).
TEST(LineFeedPieces, EveryLineEndsOnceAcrossAnyPieceBoundary) {
    const struct {
        QByteArray in, lf, crLf;
        qint64 lines;
    } cases[] = {
        {"a;b\r\nc;d\r\n", "a;b\nc;d\n", "a;b\r\nc;d\r\n", 2},
        {"a;b\nc;d\n", "a;b\nc;d\n", "a;b\r\nc;d\r\n", 2},      // bare LF
        {"a\rb\r\r\nc\n", "a\rb\r\nc\n", "a\rb\r\r\nc\r\n", 2}, // a CR of its own stays
        {"\r\n\r\n", "\n\n", "\r\n\r\n", 2},
        {"einde\r", "einde\r", "einde\r", 0}, // a CR at the very end
        {"", "", "", 0},
    };
    for (const bool putCr : {false, true})
        for (const auto& c : cases)
            for (qsizetype piece = 1; piece <= std::max<qsizetype>(c.in.size(), 1); ++piece) {
                SCOPED_TRACE(c.in.toStdString() + " in pieces of " + std::to_string(piece) +
                             (putCr ? ", CRs put in" : ""));
                LineFeedPieces ends(putCr);
                QByteArray out;
                qint64 handed = 0;
                for (qsizetype at = 0;; at += piece) {
                    // A buffer just big enough for a piece of this size.
                    QByteArray buffer(putCr ? 2 * piece + 1 : piece + 1, '?');
                    const qsizetype room = ends.readRoom(buffer.size());
                    ASSERT_GE(room, std::min<qsizetype>(piece, 1));
                    const QByteArray read = c.in.mid(at, std::min(room, piece));
                    std::memcpy(buffer.data() + ends.held(), read.constData(), size_t(read.size()));
                    const qsizetype taken = ends.take(buffer.data(), read.size());
                    out += buffer.left(taken);
                    handed += taken;
                    if (read.isEmpty())
                        break;
                    at += read.size() - piece;
                }
                EXPECT_EQ(out, putCr ? c.crLf : c.lf);
                EXPECT_EQ(ends.lineFeeds(), c.lines);
                EXPECT_EQ(ends.onWire(handed), c.crLf.size()) << "what the server gets";
            }
}

// Checked against what openssl says of the same certificate.
TEST(Certificate, GivesFingerprintNameAndKeyPinOfPemAndDer) {
    for (const char* file : {"hosting.pem", "hosting.der"}) {
        SCOPED_TRACE(file);
        const auto c = readCertificate(dataFile(file));
        ASSERT_TRUE(c);
        EXPECT_EQ(c->fingerprint,
                  QStringLiteral("E3:0E:D6:91:9E:26:F8:4D:45:3A:C3:93:9E:F9:7F:DC:"
                                 "B0:DC:EF:E6:8B:1F:56:C4:17:EB:D6:EA:61:8E:56:63"));
        EXPECT_EQ(c->name, QStringLiteral("shared.hosting.example"));
        EXPECT_EQ(c->pin, QByteArray("sha256//rWaKOCJHUSfctVwbZlFdYl7pXBBQUFzQz4p1f5+K00M="));
    }
    const QByteArray der = dataFile("hosting.der");
    EXPECT_EQ(validityText(*readCertificate(der)),
              QStringLiteral("van 8 december 2026 tot 14 november 2126"));
    for (const QByteArray& damaged : {QByteArray(), der.left(40), der.left(der.size() - 1),
                                      QByteArray("0\x84\xff\xff\xff\xff", 6),
                                      QByteArray("-----BEGIN CERTIFICATE-----\nAAAA\n")})
        EXPECT_FALSE(readCertificate(damaged)) << damaged.toHex().toStdString();
}

// Why a certificate did not verify, told from the certificate itself: its
// dates (UTCTime and GeneralizedTime), who signed it, the names it is made
// out to (subject alternative names with a wildcard and an address).
TEST(Certificate, SaysWhyItCannotBeTrusted) {
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    const struct {
        const char* file;
        const char* host;
        QStringList doubts;
    } cases[] = {
        {"hosting.pem",
         "shared.hosting.example",
         {QStringLiteral("de server heeft het zelf ondertekend, niet een bekende uitgever")}},
        {"hosting.pem",
         "ftp.club.nl",
         {QStringLiteral("de server heeft het zelf ondertekend, niet een bekende uitgever"),
          QStringLiteral("het is gemaakt voor shared.hosting.example, niet voor ftp.club.nl")}},
        {"expired.pem",
         "hosting.example",
         {QStringLiteral("het is verlopen op 1 januari 2025"),
          QStringLiteral("de server heeft het zelf ondertekend, niet een bekende uitgever")}},
        {"other-name.pem",
         "www.other.example",
         {QStringLiteral("de uitgever (Test CA) is dit systeem niet bekend")}},
        {"other-name.pem",
         "192.0.2.7",
         {QStringLiteral("de uitgever (Test CA) is dit systeem niet bekend")}},
        {"other-name.pem",
         "a.b.other.example",
         {QStringLiteral("het is gemaakt voor other.example, *.other.example, 192.0.2.7, niet "
                         "voor a.b.other.example")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.host);
        const auto read = readCertificate(dataFile(c.file));
        ASSERT_TRUE(read);
        EXPECT_EQ(certificateDoubts(*read, QLatin1String(c.host), now), c.doubts);
    }
}

} // namespace
