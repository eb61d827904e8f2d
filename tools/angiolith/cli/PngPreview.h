#ifndef ANGIOLITH_TOOLS_CLI_PNGPREVIEW_H
#define ANGIOLITH_TOOLS_CLI_PNGPREVIEW_H

#include "cli/Geometry.h"
#include "cli/VtpWriter.h"

#include <angiolith/image/lumoTeskDescriptor.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace angiolith::tool {

/// An RGB picture, row by row from the top.
struct Picture {
    unsigned int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  ///< 3 bytes per pixel
};

/// The colour of a vessel id: hues spread by the golden angle, so that neighbouring ids (the
/// siblings of one branching) get clearly different colours.
std::array<std::uint8_t, 3> vesselColour(int vesselId);

/// Three maximum-intensity projections side by side, each drawn with square pixels in
/// millimetres (the voxel spacing is honoured) and superior up: along z (x to the right,
/// y downwards), along y (x to the right, z upwards) and along x (y to the right, z upwards).
/// With @p territories (an unsigned 16-bit vessel-ID volume) each pixel takes the colour of the
/// largest vessel id on its ray, and the centre lines are drawn over it in white; without, the
/// projection of @p mask (unsigned 8-bit) is grey and each centre line has its vessel's colour.
/// @p indexLines hold the centre lines in continuous voxel indices.
Picture renderPreview(const Geometry& geometry, const lumoTeskDescriptor* territories,
                      const lumoTeskDescriptor* mask, const std::vector<Polyline>& indexLines);

/// @p picture as the bytes of an 8-bit RGB PNG file. Throws std::runtime_error when it cannot.
std::vector<std::uint8_t> encodePng(const Picture& picture);

/// Writes @p bytes to the file @p path. Throws std::runtime_error when it cannot.
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

/// Writes @p picture as an 8-bit RGB PNG. Throws std::runtime_error when it cannot.
void writePng(const std::string& path, const Picture& picture);

}  // namespace angiolith::tool

#endif
