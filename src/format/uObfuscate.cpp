#include "uObfuscate.h"
#include <cstring>

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

namespace {

// Some 4 KiB of key per chunk: long enough that the per-chunk work
// vanishes, short enough to stay in the first-level cache.
const size_t ChunkGoal = 4096;

// out[i] ^= in[i]; whole words through memcpy, which the compiler turns
// into plain loads and stores at any alignment.
void XorBytes(unsigned char *out, const unsigned char *in, size_t count)
{
    size_t i = 0;
    for (; i + sizeof(uint32_t) <= count; i += sizeof(uint32_t)) {
        uint32_t word, key;
        memcpy(&word, out + i, sizeof word);
        memcpy(&key, in + i, sizeof key);
        word ^= key;
        memcpy(out + i, &word, sizeof word);
    }
    for (; i < count; ++i)
        out[i] ^= in[i];
}

} // namespace

TKeyStream MakeKeyStream(const std::string &key)
{
    TKeyStream stream;
    stream.Length = key.size();
    if (key.empty())
        return stream;
    const size_t keys = ChunkGoal > key.size() ? ChunkGoal / key.size() : 1;
    stream.Chunk = keys * key.size();
    // One key more than a chunk: a chunk may start anywhere in the first.
    for (size_t n = 0; n <= keys; ++n)
        stream.Repeated += key;
    return stream;
}

void XorWithKeyStream(unsigned char *buffer, size_t count, uint32_t position, const TKeyStream &key)
{
    if (key.Length == 0)
        return;
    const unsigned char *pattern =
        reinterpret_cast<const unsigned char *>(key.Repeated.data()) + position % key.Length;
    while (count > 0) {
        const size_t piece = count < key.Chunk ? count : key.Chunk;
        XorBytes(buffer, pattern, piece);
        buffer += piece;
        count -= piece;
    }
}

void ScrambleAt(unsigned char *buffer, int32_t count, uint32_t position, const std::string &password)
{
    if (password.empty() || count <= 0)
        return;
    XorWithKeyStream(buffer, static_cast<size_t>(count), position, MakeKeyStream(InvertText(password)));
}
