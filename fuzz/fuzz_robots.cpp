// robots.txt files of any shape, and addresses of any shape decided against
// them: no crash, no read outside the input, no endless match; robots.txt
// itself is always allowed, and a rule naming an address exactly decides it.
#include "crawl/robotsrules.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    // Before the first NUL the file, after it the address.
    const qsizetype nul = input.indexOf('\0');
    const QByteArrayView text = nul < 0 ? input : input.first(nul);
    const QByteArrayView path = nul < 0 ? QByteArrayView("/") : input.sliced(nul + 1);

    const RobotsRules rules = RobotsRules::parse(text.toByteArray());
    (void)rules.allowed(path);
    for (qsizetype n = 0; n <= path.size() && n < 64; ++n)
        (void)rules.allowed(path.first(n));
    if (!rules.allowed("/robots.txt") || rules.crawlDelayMs() > RobotsRules::MaxCrawlDelayMs)
        __builtin_trap();

    // A plain address with nothing to escape, disallowed by name and with
    // "$", is disallowed whatever else the file says for shorter patterns.
    bool plain = !path.isEmpty() && path.front() == '/' && path.size() < 200;
    for (const char c : path)
        plain = plain && c > ' ' && uchar(c) < 0x7f && c != '*' && c != '$' && c != '%' && c != '#';
    if (plain) {
        // The rest of the file as comments.
        QByteArray own("User-agent: *\nDisallow: ");
        own += path;
        own += "$\n#";
        own += text.toByteArray().replace("\n", "\n#").replace("\r", "\r#");
        if (RobotsRules::parse(own).allowed(path) && path != "/robots.txt")
            __builtin_trap();
    }
    return 0;
}
