// Trusts a CA certificate in the current Wine prefix (or Windows machine):
// qv_import_ca CERT_FILE adds it, PEM or DER, to LocalMachine's Root store.
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qv_import_ca CERT_FILE\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (content.empty()) {
        std::fprintf(stderr, "qv_import_ca: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<BYTE> der(content.begin(), content.end());
    if (content.rfind("-----BEGIN", 0) == 0) {
        DWORD size = 0;
        if (!CryptStringToBinaryA(content.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
            std::fprintf(stderr, "qv_import_ca: not a PEM certificate\n");
            return 1;
        }
        der.resize(size);
        CryptStringToBinaryA(content.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);
        der.resize(size);
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (!store) {
        std::fprintf(stderr, "qv_import_ca: cannot open the Root store (%lu)\n", GetLastError());
        return 1;
    }
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        std::fprintf(stderr, "qv_import_ca: the store refused the certificate (%lu)\n", error);
        return 1;
    }
    return 0;
}
