// Small helpers shared by the codec tests.
#ifndef ZAVRIX_TESTS_CODEC_UTIL_H
#define ZAVRIX_TESTS_CODEC_UTIL_H

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Sms.h"

inline std::string HexOf(const unsigned char* bytes, int count)
{
    std::string hex(2 * count + 1, '\0');
    hex.resize(gsmBytes2String(bytes, &hex[0], count));
    return hex;
}

inline std::string HexOf(const std::string& bytes)
{
    return HexOf(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
}

inline std::vector<unsigned char> BytesOf(const std::string& hex)
{
    std::vector<unsigned char> bytes(hex.size() / 2);
    gsmString2Bytes(hex.data(), bytes.data(), static_cast<int>(hex.size()));
    return bytes;
}

// A record cleared the way the send steps clear it.
inline SM_PARAM ClearedRecord()
{
    SM_PARAM record;
    std::memset(&record, 0, sizeof record);
    return record;
}

inline void SetText(char* field, size_t size, const std::string& text)
{
    std::strncpy(field, text.c_str(), size - 1);
    field[size - 1] = '\0';
}
#define SET_FIELD(record, field, text) SetText((record).field, sizeof (record).field, (text))

// n copies of a UTF-8 text.
inline std::string Repeat(const std::string& text, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

// Sets the environment's locale for the codec's next conversion and restores it on destruction.
class ScopedLocaleEnv {
public:
    explicit ScopedLocaleEnv(const char* name)
    {
        const char* old = std::getenv("LC_ALL");
        hadOld = old != nullptr;
        if (hadOld) oldValue = old;
        setenv("LC_ALL", name, 1);
    }
    ~ScopedLocaleEnv()
    {
        if (hadOld)
            setenv("LC_ALL", oldValue.c_str(), 1);
        else
            unsetenv("LC_ALL");
    }

private:
    bool hadOld = false;
    std::string oldValue;
};

#endif
