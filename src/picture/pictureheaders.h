#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>

#include <functional>
#include <optional>

// Picture sizes from a file's first bytes, without a decoding library. Every
// offset and length read from the bytes is checked before it is used, so any
// input is safe; a size comes back only when both sides are between 1 and
// INT_MAX.
namespace PictureHeaders {

// What the PNG, GIF and WebP readers need from the file's start; an AVIF
// file whose meta box lies further in is read on through `ReadAt`.
constexpr qsizetype HeadBytes = 4096;

// IHDR, the first chunk after the signature.
std::optional<QSize> pngSize(QByteArrayView bytes);
// The logical screen; when an encoder left it 0 × 0, the first frame's size.
std::optional<QSize> gifSize(QByteArrayView bytes);
// The first chunk: a lossy (VP8), lossless (VP8L) or extended (VP8X) header.
std::optional<QSize> webpSize(QByteArrayView bytes);

// Up to `length` bytes at `offset`; fewer (or none) where the file ends.
using ReadAt = std::function<QByteArray(qint64 offset, qint64 length)>;
// The primary item's extent ('ispe'), its sides swapped when its 'irot'
// turns it a quarter. The top-level boxes are walked by their headers, so
// a media box before the meta box is skipped, never read.
std::optional<QSize> avifSize(const ReadAt &read);
std::optional<QSize> avifSize(QByteArrayView bytes);

// The brands of an ISOBMFF 'ftyp' box at the start of `bytes` name AVIF.
bool isAvifFileType(QByteArrayView bytes);

} // namespace PictureHeaders
