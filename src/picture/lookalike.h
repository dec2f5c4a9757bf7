#pragma once

#include <QByteArray>
#include <QImage>

#include <atomic>
#include <optional>
#include <vector>

// Pictures that look alike: a 64-bit difference hash of each, and groups of
// hashes that lie close together.
namespace LookAlike {

// Bits two hashes may differ by and still look alike. A photograph rescaled,
// re-encoded or cropped by a few percent moves 0 to 3 of the 64 bits; two
// different photographs, even of one scene, lie 10 or more apart. 4 keeps a
// margin on both sides.
constexpr int MaxDistance = 4;

// The difference hash: the picture reduced to 9 x 8 grey cells, one bit for
// each pair of neighbours in a row (set where the left cell is brighter).
quint64 differenceHash(const QImage &image);

// The hash of a picture file from its embedded thumbnail or a reduced
// decode (1/8 for a JPEG of 512 pixels or more a side): never from a decode
// at full size, unless the picture is smaller than 128 pixels. Nothing when the
// file cannot be read or the load was cancelled.
std::optional<quint64> hashFile(const QByteArray &path, const std::atomic_bool *cancel = nullptr);

inline int distance(quint64 a, quint64 b)
{
    return __builtin_popcountll(a ^ b);
}

// Groups of at least two hashes each within `maxDistance` of another of the
// group (indexes into `hashes`, ascending; groups in order of their first
// member). A BK-tree finds the neighbours, so no two far hashes are compared.
std::vector<std::vector<int>> groups(const std::vector<quint64> &hashes,
                                     int maxDistance = MaxDistance);

} // namespace LookAlike
