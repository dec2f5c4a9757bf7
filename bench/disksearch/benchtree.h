#pragma once

// The benchmark tree: 200,000 files in 20,000 directories (100 directories of
// 199 subdirectories each, ten files in every directory), a quarter of them
// pictures named .jpg or .JPG.
#include <QByteArray>
#include <QStringBuilder>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

struct BenchTree
{
    static constexpr int TopDirectories = 100;
    static constexpr int SubDirectories = 199;
    static constexpr int FilesPerDirectory = 10;

    int files = 0;
    int pictures = 0;
    int directories = 0;

    void fill(const QByteArray &directory)
    {
        static const char *const others[] = {".png", ".txt", ".gif"};
        for (int f = 0; f < FilesPerDirectory; ++f) {
            const bool picture = (files % 4) == 0;
            const char *ext = picture ? ((files % 8) == 0 ? ".JPG" : ".jpg") : others[files % 3];
            const QByteArray path =
                directory + "/photo_" + QByteArray::number(files) + QByteArray(ext);
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                if (::ftruncate(fd, 1000 + files % 5000) != 0)
                    ::perror("ftruncate");
                ::close(fd);
            }
            ++files;
            pictures += picture ? 1 : 0;
        }
    }

    void build(const QByteArray &root)
    {
        for (int t = 0; t < TopDirectories; ++t) {
            const QByteArray top = root + "/album" + QByteArray::number(t);
            ::mkdir(top.constData(), 0755);
            ++directories;
            fill(top);
            for (int s = 0; s < SubDirectories; ++s) {
                const QByteArray sub = top + "/day" + QByteArray::number(s);
                ::mkdir(sub.constData(), 0755);
                ++directories;
                fill(sub);
            }
        }
    }

    static void remove(const QByteArray &root)
    {
        ::nftw(
            root.constData(),
            [](const char *path, const struct stat *, int type, FTW *) {
                return type == FTW_DP ? ::rmdir(path) * 0 : ::unlink(path) * 0;
            },
            32, FTW_DEPTH | FTW_PHYS);
    }
};
