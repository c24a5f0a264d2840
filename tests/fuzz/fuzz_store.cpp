// The settings file's reading and its one-line rewrites over any bytes. Beyond not
// crashing: a text written reads back, and a rewrite that kept the rest changed no other
// key, in the section written or in another.
#include "FuzzSupport.h"

#include "platform/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The value comes from the same bytes: quotes, escapes and line breaks in both.
    const QString value = fuzz::Text(data, std::min<size_t>(size, 48));
    const QString keys[] = {QStringLiteral("Title"), QStringLiteral("Speed"), QStringLiteral("x")};
    const QString sections[] = {QStringLiteral("Settings"), QStringLiteral("Previous")};
    platform::IniText text(bytes);
    for (const QString &key : keys) {
        std::optional<QString> before[std::size(sections)][std::size(keys)];
        for (size_t s = 0; s < std::size(sections); ++s)
            for (size_t k = 0; k < std::size(keys); ++k)
                before[s][k] = text.Text(sections[s], keys[k]);
        const bool restarted = text.Set(sections[0], key, value);
        if (text.Text(sections[0], key) != platform::TextUpToNul(value))
            fuzz::Fail("a written text does not read back", value);
        for (size_t s = 0; s < std::size(sections); ++s)
            for (size_t k = 0; k < std::size(keys); ++k)
                if (!restarted && (s != 0 || keys[k] != key) &&
                    text.Text(sections[s], keys[k]) != before[s][k])
                    fuzz::Fail("a rewrite changed another key", sections[s] + '/' + keys[k]);
    }
    return 0;
}
