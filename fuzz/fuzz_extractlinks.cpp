// Page source of any shape through link extraction and the URL routines it
// rests on: no crash, no read past the buffer, no time out of proportion.
#include "crawl/linkextractor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the image types and the page the source came from;
    // with its top bit set, a second byte picks the boxes of 拡張設定 and the
    // newer types.
    const uint8_t flags = data[0];
    const size_t head = (flags & 0x80) && size > 1 ? 2 : 1;
    const uint8_t more = head == 2 ? data[1] : 0;
    const QByteArrayView source(reinterpret_cast<const char *>(data + head),
                                qsizetype(size - head));
    const ImageTypes types{(flags & 1) != 0,   (flags & 2) != 0,   (flags & 4) != 0,
                           (more & 0x20) != 0, (more & 0x20) != 0, (more & 0x40) != 0,
                           (more & 0x80) != 0};
    ExtraSettings extra;
    extra.queryType = (more & 1) != 0;
    extra.contentType = (more & 2) != 0;
    extra.srcset = (more & 4) != 0;
    extra.cssImage = (more & 8) != 0;
    extra.metaImage = (more & 16) != 0;
    const CrawlPage page{1, (flags & 8) ? QByteArray("h:80") : QByteArray("h"),
                         (flags & 16) ? QByteArray("http://h/a/../b/./c.html")
                                      : QByteArray("http://h/d/")};

    LinkExtractor links;
    links.ExtractLinks(page, source, types, extra);

    // Every line that went in reads back with its status.
    for (LinkList *list : {links.urlList(), links.imageList()}) {
        for (qsizetype row = 0; row < list->size(); ++row) {
            if (links.ReadEntry(*list, row).status != LinkList::New)
                __builtin_trap();
            links.MarkEntry(*list, row, LinkList::Done);
            if (links.ReadEntry(*list, row).status != LinkList::Done)
                __builtin_trap();
        }
    }

    // The routines on the raw bytes as well, as if they were one URL.
    const QByteArray normal = NormalizeURL(source);
    if (normal.contains("/../") || normal.contains("/./"))
        __builtin_trap();
    (void)HostOf(source);
    (void)DirectoryOf(source);
    (void)ResolveLink(page.host, page.url, source);
    const QByteArrayView extension = imageExtension(source, types, extra.queryType);
    if (!extension.isEmpty() && (extension.front() != '.' || extension.size() > 5))
        __builtin_trap();
    QByteArrayView value;
    (void)AttributeValue("src", source, value);
    return 0;
}
