// uCabDigest: SHA-256 through the platform's AES provider type, which has
// it from Windows XP SP3 on.
#include "cabinet/uCabDigest.h"
#include <wincrypt.h>
#include "util/mUtils.h"

std::string RecordedCabinetDigest(const TPackageSettings &settings, int setIndex)
{
    const std::string key = "\nSHA256_" + Int64ToText(setIndex + 1) + "=";
    const size_t at = settings.CabinetDigests.find(key);
    return at == std::string::npos ? std::string() : settings.CabinetDigests.substr(at + key.size(), 64);
}

TDigestCheck CheckCabinetDigest(HANDLE file, const std::string &recorded)
{
    if (recorded.empty())
        return DigestNotRecorded;
    HCRYPTPROV provider;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return DigestUnavailable;
    TDigestCheck result = DigestUnavailable;
    HCRYPTHASH hash;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        result = DigestDiffers;
        // On the heap: a buffer this size on the stack would need probing.
        BYTE *buffer = new BYTE[65536];
        DWORD got = 0;
        bool read = SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
        while (read && (read = ReadFile(file, buffer, 65536, &got, nullptr) != FALSE) && got > 0)
            CryptHashData(hash, buffer, got, 0);
        BYTE digest[32];
        DWORD length = sizeof digest;
        if (read && CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) && length == 32) {
            std::string hex;
            for (BYTE b : digest) {
                hex += "0123456789abcdef"[b >> 4];
                hex += "0123456789abcdef"[b & 15];
            }
            if (hex == recorded)
                result = DigestMatches;
        }
        delete[] buffer;
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return result;
}
