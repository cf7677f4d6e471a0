// Adds a DER certificate to the local machine's "Root" store of the wine prefix it runs in, so
// that WinHTTP there trusts the test certificate authority; nothing on the host changes.
//
//   qg_trust_certificate.exe CERTIFICATE.der
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: qg_trust_certificate CERTIFICATE.der\n", stderr);
        return 2;
    }
    std::ifstream file(std::filesystem::path(argv[1]), std::ios::binary | std::ios::ate);
    std::string der(file ? static_cast<std::size_t>(file.tellg()) : 0, '\0');
    file.seekg(0).read(der.data(), static_cast<std::streamsize>(der.size()));
    const HCERTSTORE store =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (der.empty() || !file || store == nullptr ||
        !::CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "cannot add the certificate: %lu\n", ::GetLastError());
        return 1;
    }
    ::CertCloseStore(store, 0);
    std::puts("certificate added to LocalMachine\\Root");
    return 0;
}
