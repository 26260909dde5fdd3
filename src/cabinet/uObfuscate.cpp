#include "cabinet/uObfuscate.h"

std::string InvertText(const std::string &text)
{
    std::string result(text);
    for (char &c : result)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return result;
}

void XorWithKey(unsigned char *buffer, const std::string &key, int32_t count, int32_t start)
{
    const int32_t length = static_cast<int32_t>(key.size());
    if (count <= 0 || length == 0)
        return;
    int32_t k = (start >= 1 && start <= length) ? start : 1;
    for (int32_t i = 0; i < count; ++i) {
        buffer[i] ^= static_cast<unsigned char>(key[k - 1]);
        if (++k > length)
            k = 1;
    }
}

void ScrambleAt(unsigned char *buffer, int32_t count, uint32_t position, const std::string &password)
{
    if (password.empty())
        return;
    const int32_t start = static_cast<int32_t>(position % password.size()) + 1;
    XorWithKey(buffer, InvertText(password), count, start);
}
