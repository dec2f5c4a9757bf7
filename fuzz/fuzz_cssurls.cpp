// CSS text of any shape through the url(...) reader: no crash, no read past
// the text, and every address it returns is a non-empty part of the text.
#include "crawl/markupreaders.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView css(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArrayView> urls = cssImageURLs(css);
    if (urls.size() > css.size() / 5) // "url(x" is the shortest an address takes
        __builtin_trap();
    for (QByteArrayView url : urls) {
        if (url.isEmpty() || url.data() < css.data() ||
            url.data() + url.size() > css.data() + css.size())
            __builtin_trap();
    }
    return 0;
}
