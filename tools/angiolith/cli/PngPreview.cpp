#include "cli/PngPreview.h"

#include "cli/Threads.h"

#include <angiolith/detail/ParallelChunks.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <png.h>
#include <stdexcept>

namespace angiolith::tool {

namespace {

// Longest side, in pixels, of the largest of the three panels.
constexpr double kPanelPixels = 320.0;
constexpr unsigned int kGap = 4;
constexpr std::uint8_t kMaskGrey = 90;

// One projection: the two in-plane voxel axes (u to the right, v downwards or, when flipV,
// upwards) and the axis projected along.
struct Panel {
    int u, v, along;
    bool flipV;
    unsigned int left = 0, width = 0, height = 0;
};

void setPixel(Picture& picture, long x, long y, const std::array<std::uint8_t, 3>& colour) {
    if (x < 0 || y < 0 || x >= static_cast<long>(picture.width) ||
        y >= static_cast<long>(picture.height)) {
        return;
    }
    std::uint8_t* p = &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3];
    p[0] = colour[0];
    p[1] = colour[1];
    p[2] = colour[2];
}

// Bresenham's line between two pixel positions.
void drawLine(Picture& picture, long x0, long y0, long x1, long y1,
              const std::array<std::uint8_t, 3>& colour) {
    const long dx = std::labs(x1 - x0), dy = -std::labs(y1 - y0);
    const long sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    long error = dx + dy;
    while (true) {
        setPixel(picture, x0, y0, colour);
        if (x0 == x1 && y0 == y1) return;
        const long e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

// The maxima of @p values along z (into mips[2], [y][x]), y ([z][x]) and x ([z][y]), plane by
// plane on the worker threads, each with maxima of its own that are merged afterwards: the
// maximum does not depend on the order, so the result is the same on any number of threads.
template <typename T>
void projectMaxima(const T* values, const std::array<unsigned int, 3>& n,
                   std::vector<std::uint32_t> (&mips)[3]) {
    const std::size_t nx = n[0], ny = n[1];
    const unsigned workers = angiolith::detail::resolveThreads(workerThreads(), n[2]);
    // Worker 0 fills the result itself; the others their own, merged afterwards.
    std::vector<std::array<std::vector<std::uint32_t>, 3>> others(workers > 0 ? workers - 1 : 0);
    for (auto& own : others) {
        for (int axis = 0; axis < 3; ++axis) own[axis].assign(mips[axis].size(), 0);
    }
    angiolith::detail::parallelChunks(workers, n[2], [&](unsigned worker, std::size_t z) {
        std::uint32_t* alongZ = worker == 0 ? mips[2].data() : others[worker - 1][2].data();
        std::uint32_t* alongY = worker == 0 ? mips[1].data() : others[worker - 1][1].data();
        std::uint32_t* alongX = worker == 0 ? mips[0].data() : others[worker - 1][0].data();
        alongY += z * nx;
        alongX += z * ny;
        const T* plane = values + z * nx * ny;
        for (std::size_t y = 0; y < ny; ++y) {
            const T* row = plane + y * nx;
            std::uint32_t* zRow = alongZ + y * nx;
            std::uint32_t rowMax = alongX[y];
            for (std::size_t x = 0; x < nx; ++x) {
                const std::uint32_t value = row[x];
                zRow[x] = std::max(zRow[x], value);
                alongY[x] = std::max(alongY[x], value);
                rowMax = std::max(rowMax, value);
            }
            alongX[y] = rowMax;
        }
    });
    for (const auto& own : others) {
        for (int axis = 0; axis < 3; ++axis) {
            for (std::size_t i = 0; i < own[axis].size(); ++i) {
                mips[axis][i] = std::max(mips[axis][i], own[axis][i]);
            }
        }
    }
}

}  // namespace

std::array<std::uint8_t, 3> vesselColour(int vesselId) {
    const double golden = 0.618033988749895;
    double hue = std::fmod(static_cast<double>(vesselId) * golden, 1.0) * 6.0;
    if (hue < 0) hue += 6.0;
    const double s = 0.7, v = 0.95;
    const double c = v * s, x = c * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0)), m = v - c;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue) % 6) {
        case 0:
            r = c;
            g = x;
            break;
        case 1:
            r = x;
            g = c;
            break;
        case 2:
            g = c;
            b = x;
            break;
        case 3:
            g = x;
            b = c;
            break;
        case 4:
            r = x;
            b = c;
            break;
        default:
            r = c;
            b = x;
            break;
    }
    auto byte = [m](double value) {
        return static_cast<std::uint8_t>(std::lround((value + m) * 255.0));
    };
    return {byte(r), byte(g), byte(b)};
}

Picture renderPreview(const Geometry& geometry, const lumoTeskDescriptor* territories,
                      const lumoTeskDescriptor* mask, const std::vector<Polyline>& indexLines) {
    const auto& n = geometry.size;
    const auto& s = geometry.spacing;
    const double extent = std::max({n[0] * s[0], n[1] * s[1], n[2] * s[2]});
    const double pixelsPerMm = kPanelPixels / extent;

    Panel panels[3] = {{0, 1, 2, false}, {0, 2, 1, true}, {1, 2, 0, true}};
    Picture picture;
    for (Panel& panel : panels) {
        panel.left = picture.width == 0 ? 0 : picture.width + kGap;
        panel.width = std::max(
            1u, static_cast<unsigned int>(std::lround(n[panel.u] * s[panel.u] * pixelsPerMm)));
        panel.height = std::max(
            1u, static_cast<unsigned int>(std::lround(n[panel.v] * s[panel.v] * pixelsPerMm)));
        picture.width = panel.left + panel.width;
        picture.height = std::max(picture.height, panel.height);
    }
    picture.rgb.assign(static_cast<std::size_t>(picture.width) * picture.height * 3, 0);

    const lumoTeskDescriptor* source = territories != nullptr ? territories : mask;
    // The maximum along the rays of all three panels, in one pass over the volume in storage
    // order: per panel, indexed [v][u].
    std::vector<std::uint32_t> mips[3];
    for (const Panel& panel : panels) {
        mips[panel.along].assign(static_cast<std::size_t>(n[panel.u]) * n[panel.v], 0);
    }
    if (source != nullptr) {
        if (source->bits == 16) {
            projectMaxima(static_cast<const std::uint16_t*>(source->data), n, mips);
        } else {
            projectMaxima(static_cast<const std::uint8_t*>(source->data), n, mips);
        }
    }
    for (const Panel& panel : panels) {
        const std::vector<std::uint32_t>& mip = mips[panel.along];
        for (unsigned int y = 0; y < panel.height; ++y) {
            const unsigned int row = panel.flipV ? panel.height - 1 - y : y;
            const auto b = std::min<unsigned int>(
                n[panel.v] - 1, static_cast<unsigned int>((row + 0.5) / pixelsPerMm / s[panel.v]));
            for (unsigned int x = 0; x < panel.width; ++x) {
                const auto a = std::min<unsigned int>(
                    n[panel.u] - 1,
                    static_cast<unsigned int>((x + 0.5) / pixelsPerMm / s[panel.u]));
                const std::uint32_t value = mip[static_cast<std::size_t>(b) * n[panel.u] + a];
                if (value == 0) continue;
                const std::array<std::uint8_t, 3> colour =
                    territories != nullptr
                        ? vesselColour(static_cast<int>(value))
                        : std::array<std::uint8_t, 3>{kMaskGrey, kMaskGrey, kMaskGrey};
                setPixel(picture, panel.left + x, y, colour);
            }
        }
        for (const Polyline& line : indexLines) {
            const std::array<std::uint8_t, 3> colour =
                territories != nullptr ? std::array<std::uint8_t, 3>{255, 255, 255}
                                       : vesselColour(line.vesselId);
            auto pixel = [&](const Vec3& p, long& x, long& y) {
                x = panel.left + std::lround((p[panel.u] + 0.5) * s[panel.u] * pixelsPerMm - 0.5);
                const long row = std::lround((p[panel.v] + 0.5) * s[panel.v] * pixelsPerMm - 0.5);
                y = panel.flipV ? static_cast<long>(panel.height) - 1 - row : row;
            };
            for (std::size_t i = 0; i < line.points.size(); ++i) {
                long x1 = 0, y1 = 0;
                pixel(line.points[i], x1, y1);
                long x0 = x1, y0 = y1;
                if (i > 0) pixel(line.points[i - 1], x0, y0);
                drawLine(picture, x0, y0, x1, y1, colour);
            }
        }
    }
    return picture;
}

std::vector<std::uint8_t> encodePng(const Picture& picture) {
    // libpng's simplified interface reports failure by its return value and the image's
    // message, and frees its own state. The first call sizes the buffer, the second fills it.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.width;
    image.height = picture.height;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    std::vector<std::uint8_t> bytes;
    bool encoded =
        png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgb.data(), 0, nullptr) != 0;
    if (encoded) {
        bytes.resize(size);
        encoded = png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.rgb.data(), 0,
                                            nullptr) != 0;
        bytes.resize(size);
    }
    png_image_free(&image);
    if (!encoded) throw std::runtime_error(std::string("cannot encode a PNG: ") + image.message);
    return bytes;
}

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write '" + path + "'");
}

void writePng(const std::string& path, const Picture& picture) {
    writeFileBytes(path, encodePng(picture));
}

}  // namespace angiolith::tool
