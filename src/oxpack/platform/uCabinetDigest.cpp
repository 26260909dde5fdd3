// uCabinetDigest: through the platform's AES provider type, the same
// provider the extractor checks with.
#include "uCabinetDigest.h"
#include <windows.h>
#include <wincrypt.h>
#include <vector>
#include "mPackText.h"

bool FileDigest(const std::string &path, std::string &digest, std::string &error)
{
    HANDLE file = CreateFileW(WideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "Cannot read " + path + " to record its digest.";
        return false;
    }
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    bool ok = CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
              CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash);
    if (!ok)
        error = "This system offers no SHA-256 to record the digests of the continuation cabinets.";
    std::vector<BYTE> buffer(1 << 20);
    DWORD got = 0;
    while (ok && (ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != FALSE) &&
           got > 0)
        ok = CryptHashData(hash, buffer.data(), got, 0) != FALSE;
    BYTE value[32];
    DWORD length = sizeof value;
    if (ok)
        ok = CryptGetHashParam(hash, HP_HASHVAL, value, &length, 0) && length == 32;
    if (!ok && error.empty())
        error = "Cannot read " + path + " to record its digest.";
    digest.clear();
    for (DWORD i = 0; ok && i < length; ++i) {
        digest += "0123456789abcdef"[value[i] >> 4];
        digest += "0123456789abcdef"[value[i] & 15];
    }
    if (hash)
        CryptDestroyHash(hash);
    if (provider)
        CryptReleaseContext(provider, 0);
    CloseHandle(file);
    return ok;
}
