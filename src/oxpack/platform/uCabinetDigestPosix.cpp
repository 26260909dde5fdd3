// uCabinetDigest: POSIX, through OpenSSL's libcrypto.
#include <openssl/evp.h>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "mCabFiles.h"
#include "uCabinetDigest.h"

bool FileDigest(const std::string &path, std::string &digest, std::string &error)
{
    const int fd = open(PosixPathOf(path).c_str(), O_RDONLY);
    if (fd < 0) {
        error = "Cannot read " + path + " to record its digest.";
        return false;
    }
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    bool ok = context && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    std::vector<unsigned char> buffer(1 << 20);
    ssize_t got = 0;
    while (ok && (got = read(fd, buffer.data(), buffer.size())) > 0)
        ok = EVP_DigestUpdate(context, buffer.data(), static_cast<size_t>(got)) == 1;
    ok = ok && got == 0;
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    ok = ok && EVP_DigestFinal_ex(context, value, &length) == 1 && length == 32;
    EVP_MD_CTX_free(context);
    close(fd);
    if (!ok) {
        error = "Cannot read " + path + " to record its digest.";
        return false;
    }
    digest.clear();
    for (unsigned int i = 0; i < length; ++i) {
        digest += "0123456789abcdef"[value[i] >> 4];
        digest += "0123456789abcdef"[value[i] & 15];
    }
    return true;
}
