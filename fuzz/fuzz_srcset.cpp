// Attribute values of any shape through the readers of srcset lists, tag
// attributes and character references: no crash, no read past the value,
// and what they return stands inside what they were given.
#include "crawl/markupreaders.h"

#include <cstddef>
#include <cstdint>

namespace {

bool inside(QByteArrayView part, QByteArrayView whole)
{
    return part.isEmpty() || (part.data() >= whole.data() &&
                              part.data() + part.size() <= whole.data() + whole.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));

    // A candidate is an address of the list: no blank inside, no comma at
    // its end.
    const QByteArrayView chosen = largestSrcsetCandidate(input);
    if (!inside(chosen, input) || chosen.endsWith(','))
        __builtin_trap();
    for (char c : chosen) {
        if (uchar(c) <= ' ')
            __builtin_trap();
    }

    // A reference never decodes to more bytes than it takes.
    QByteArray buffer;
    const QByteArrayView decoded = decodeEntities(input, buffer);
    if (decoded.size() > input.size() || (!input.contains('&') && decoded.data() != input.data()))
        __builtin_trap();
    (void)largestSrcsetCandidate(decoded);

    // The input as a tag: every name and value a part of it, and the walk
    // ends.
    AttributeReader reader(input);
    if (!inside(reader.tagName(), input))
        __builtin_trap();
    QByteArrayView name;
    QByteArrayView value;
    qsizetype count = 0;
    while (reader.next(name, value)) {
        if (name.isEmpty() || !inside(name, input) || !inside(value, input) ||
            ++count > input.size())
            __builtin_trap();
    }
    return 0;
}
