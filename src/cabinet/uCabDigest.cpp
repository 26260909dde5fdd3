// uCabDigest: SHA-256 through the platform's AES provider type, which has
// it from Windows XP SP3 on.
#include "cabinet/uCabDigest.h"
#include <wincrypt.h>

const char *RecordedCabinetDigest(const TPackageSettings &settings, int setIndex)
{
    // "\nSHA256_N=", N the cabinet's number in the set, one more than its
    // index; written backwards from the end of the key.
    char key[24];
    char *start = key + sizeof key - 1;
    *start = '\0';
    *--start = '=';
    unsigned n = static_cast<unsigned>(setIndex) + 1;
    do
        *--start = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0);
    for (const char *prefix = "_652AHS\n"; *prefix; ++prefix)
        *--start = *prefix;
    return FindExtension(settings, start);
}

TDigestCheck CheckCabinetDigest(HANDLE file, const char *recorded)
{
    if (!recorded)
        return DigestNotRecorded;
    HCRYPTPROV provider;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return DigestUnavailable;
    TDigestCheck result = DigestUnavailable;
    HCRYPTHASH hash;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        BYTE buffer[16384];
        DWORD got = 0;
        BOOL read;
        while ((read = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0)
            CryptHashData(hash, buffer, got, 0);
        DWORD length = 32;
        result = read && CryptGetHashParam(hash, HP_HASHVAL, buffer, &length, 0) ? DigestMatches : DigestDiffers;
        // Digit by digit: a recorded text cut short differs at its end.
        for (DWORD i = 0; i < 64; ++i)
            if (recorded[i] != "0123456789abcdef"[(buffer[i / 2] >> (i % 2 ? 0 : 4)) & 15])
                result = DigestDiffers;
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return result;
}
