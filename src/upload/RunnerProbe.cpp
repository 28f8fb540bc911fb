// The certificate a server presents, read in the TLS handshake of a
// connection of its own that the runner ends right there: nothing crosses
// after AUTH TLS, no user name and no login that a host might count.
#include "RunnerSession.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace tavrel {

namespace {

// OpenSSL's hook for the chain the server sent: keeps the server's own
// certificate (DER) and fails, which ends the handshake.
int keepServerCertificate(X509_STORE_CTX* store, void* found) {
    X509* server = X509_STORE_CTX_get0_cert(store);
    unsigned char* der = nullptr;
    const int size = server ? i2d_X509(server, &der) : -1;
    if (size > 0)
        *static_cast<QByteArray*>(found) = QByteArray(reinterpret_cast<const char*>(der), size);
    OPENSSL_free(der);
    return 0;
}

CURLcode onSslContext(CURL*, void* context, void* found) {
    auto* ssl = static_cast<SSL_CTX*>(context);
    SSL_CTX_set_verify(ssl, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_cert_verify_callback(ssl, keepServerCertificate, found);
    return CURLE_OK;
}

} // namespace

std::optional<Certificate> ScriptRunner::Session::serverCertificate() {
    CURL* probe = curl_easy_init();
    QByteArray der;
    const QByteArray address = url(QString());
    curl_easy_setopt(probe, CURLOPT_URL, address.constData());
    curl_easy_setopt(probe, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(probe, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
    useTlsVersions(probe);
    curl_easy_setopt(probe, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(probe, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(probe, CURLOPT_SSL_CTX_FUNCTION, &onSslContext);
    curl_easy_setopt(probe, CURLOPT_SSL_CTX_DATA, &der);
    curl_easy_setopt(probe, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(probe, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(probe, CURLOPT_SERVER_RESPONSE_TIMEOUT, limits.responseSeconds);
    curl_easy_setopt(probe, CURLOPT_TIMEOUT, limits.connectSeconds + 4 * limits.responseSeconds);
    curl_easy_perform(probe);
    curl_easy_cleanup(probe);
    return der.isEmpty() ? std::nullopt : readCertificate(der);
}

} // namespace tavrel
