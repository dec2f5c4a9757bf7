#include "lookalike.h"

#include "pictureloader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace LookAlike {

quint64 differenceHash(const QImage &image)
{
    // Each cell is a tent-weighted average reaching to its neighbours'
    // centres, over a grey grid of 4 x 4 pixels a cell (Qt's smooth scaling
    // averages every source pixel into it). Plain box cells flip bits where
    // a crop of a few percent moves an edge across a cell border; overlapping
    // tents change smoothly as the picture shifts.
    constexpr int Scale = 4;
    constexpr int W = 9 * Scale;
    constexpr int H = 8 * Scale;
    const QImage grid = image.convertToFormat(QImage::Format_RGB32)
                            .scaled(W, H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    std::array<std::array<double, W>, H> grey{};
    for (int y = 0; y < H; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(grid.constScanLine(y));
        for (int x = 0; x < W; ++x)
            grey[size_t(y)][size_t(x)] =
                0.299 * qRed(row[x]) + 0.587 * qGreen(row[x]) + 0.114 * qBlue(row[x]);
    }
    const auto cell = [&grey](int cx, int cy) {
        const double centreX = (cx + 0.5) * Scale;
        const double centreY = (cy + 0.5) * Scale;
        double sum = 0;
        double weights = 0;
        for (int y = 0; y < H; ++y) {
            const double wy = std::max(0.0, 1.0 - std::abs(y + 0.5 - centreY) / Scale);
            if (wy == 0)
                continue;
            for (int x = 0; x < W; ++x) {
                const double w = wy * std::max(0.0, 1.0 - std::abs(x + 0.5 - centreX) / Scale);
                sum += w * grey[size_t(y)][size_t(x)];
                weights += w;
            }
        }
        return sum / weights;
    };
    quint64 hash = 0;
    for (int y = 0; y < 8; ++y) {
        double left = cell(0, y);
        for (int x = 1; x < 9; ++x) {
            const double right = cell(x, y);
            hash = (hash << 1) | quint64(left > right);
            left = right;
        }
    }
    return hash;
}

std::optional<quint64> hashFile(const QByteArray &path, const std::atomic_bool *cancel)
{
    // The cells are averaged from at least 64 pixels a side: from a
    // reduction only a few pixels wider than the cells (a small picture at
    // 1/8), where the cell borders fall decides several bits.
    const PictureResult result = PictureLoader::decodeThumbnailOrCover(path, QSize(64, 64), cancel);
    if (!result.ok || result.image.isNull())
        return std::nullopt;
    return differenceHash(result.image);
}

namespace {

// A BK-tree over the Hamming distance: each child hangs under the distance
// it lies from its parent, so a search within d of a hash visits only the
// children between (its distance - d) and (its distance + d).
class BkTree
{
public:
    void insert(quint64 hash, int index)
    {
        if (m_nodes.empty()) {
            m_nodes.push_back({hash, index, {}});
            return;
        }
        size_t at = 0;
        for (;;) {
            const int d = distance(hash, m_nodes[at].hash);
            int &child = m_nodes[at].children[size_t(d)];
            if (child == 0) {
                child = int(m_nodes.size());
                m_nodes.push_back({hash, index, {}});
                return;
            }
            at = size_t(child);
        }
    }

    template <typename Visit> void within(quint64 hash, int maxDistance, Visit visit) const
    {
        if (m_nodes.empty())
            return;
        std::vector<size_t> stack{0};
        while (!stack.empty()) {
            const Node &node = m_nodes[stack.back()];
            stack.pop_back();
            const int d = distance(hash, node.hash);
            if (d <= maxDistance)
                visit(node.index);
            for (int c = std::max(0, d - maxDistance); c <= std::min(64, d + maxDistance); ++c) {
                if (node.children[size_t(c)] != 0)
                    stack.push_back(size_t(node.children[size_t(c)]));
            }
        }
    }

private:
    struct Node
    {
        quint64 hash;
        int index;
        std::array<int, 65> children; // node numbers; 0 is the root, never a child
    };
    std::vector<Node> m_nodes;
};

int root(std::vector<int> &parent, int i)
{
    while (parent[size_t(i)] != i) {
        parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        i = parent[size_t(i)];
    }
    return i;
}

} // namespace

std::vector<std::vector<int>> groups(const std::vector<quint64> &hashes, int maxDistance)
{
    const int n = int(hashes.size());
    std::vector<int> parent(hashes.size());
    std::iota(parent.begin(), parent.end(), 0);
    BkTree tree;
    for (int i = 0; i < n; ++i) {
        tree.within(hashes[size_t(i)], maxDistance, [&](int j) {
            const int a = root(parent, i);
            const int b = root(parent, j);
            if (a != b)
                parent[size_t(std::max(a, b))] = std::min(a, b);
        });
        tree.insert(hashes[size_t(i)], i);
    }
    // Every root is the smallest index of its group, so groups come out in
    // order of their first member.
    std::vector<std::vector<int>> members(hashes.size());
    for (int i = 0; i < n; ++i)
        members[size_t(root(parent, i))].push_back(i);
    std::vector<std::vector<int>> result;
    for (std::vector<int> &group : members) {
        if (group.size() > 1)
            result.push_back(std::move(group));
    }
    return result;
}

} // namespace LookAlike
