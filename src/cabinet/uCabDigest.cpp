// uCabDigest: SHA-256 through the platform's AES provider type, which has
// it from Windows XP SP3 on.
#include "cabinet/uCabDigest.h"
#include <wincrypt.h>

const char *RecordedCabinetDigest(const TPackageSettings &settings, int setIndex)
{
    // One digest per continuation cabinet, in the set's order, each 64
    // digits and a comma: the one for index N starts (N - 1) * 65 in,
    // provided the line reaches that far.
    const char *digests = FindExtension(settings, "\nSHA256=");
    const size_t start = static_cast<size_t>(setIndex - 1) * 65;
    for (size_t i = 0; digests && i < start; ++i)
        if (digests[i] == '\r' || digests[i] == '\0')
            return nullptr;
    return digests ? digests + start : nullptr;
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
