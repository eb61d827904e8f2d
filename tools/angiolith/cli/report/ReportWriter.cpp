#include "cli/report/ReportWriter.h"

#include "cli/report/ReportPage.h"

#include <cmath>
#include <fstream>
#include <stdexcept>

namespace angiolith::tool {

namespace {

using nlohmann::json;

/// RFC 4648 base64 with padding, for the image's data: URI.
std::string base64(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) |
                                    (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                                    (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return text;
}

/// @p value to @p decimals places (0 for a value that is not finite): the page needs no more
/// than a hundredth of a millimetre, and the shortest form of the rounded double keeps the
/// file small.
double rounded(double value, int decimals) {
    if (!std::isfinite(value)) return 0.0;
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

json flat(const std::vector<Vec3>& points, int decimals) {
    json values = json::array();
    for (const Vec3& p : points) {
        for (double c : p) values.push_back(rounded(c, decimals));
    }
    return values;
}

json linesJson(const std::vector<ReportLine>& lines) {
    json out = json::array();
    for (const ReportLine& entry : lines) {
        const Polyline& line = entry.line;
        if (line.radii.size() != line.points.size()) {
            throw std::invalid_argument("report: vessel " + std::to_string(line.vesselId) +
                                        " has " + std::to_string(line.points.size()) +
                                        " points but " + std::to_string(line.radii.size()) +
                                        " radii");
        }
        json radii = json::array();
        for (double r : line.radii) radii.push_back(rounded(r, 2));
        out.push_back({{"tree", entry.tree},
                       {"id", line.vesselId},
                       {"points", flat(line.points, 2)},
                       {"radii", std::move(radii)}});
    }
    return out;
}

}  // namespace

void writeReport(std::ostream& out, const ReportContent& content) {
    const json data = {{"territories", content.territories},
                       {"vessels", linesJson(content.lines)},
                       {"outline", flat(content.outline, 1)},
                       {"preview", base64(content.previewPng)}};
    // Paths in the provenance may hold bytes that are not UTF-8: they are replaced rather than
    // failing the whole report.
    const std::string text = data.dump(-1, ' ', false, json::error_handler_t::replace);
    out << detail::reportPageHead();
    // A '<' only occurs inside JSON strings, where \u003c means the same; escaping it keeps a
    // "</script>" in a path from ending the data block.
    std::size_t from = 0;
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', from)) {
        out.write(text.data() + from, static_cast<std::streamsize>(at - from));
        out << "\\u003c";
        from = at + 1;
    }
    out.write(text.data() + from, static_cast<std::streamsize>(text.size() - from));
    out << detail::reportPageTail();
}

void writeReportFile(const std::string& path, const ReportContent& content) {
    std::ofstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot write '" + path + "'");
    writeReport(file, content);
    file.close();
    if (!file) throw std::runtime_error("cannot write '" + path + "'");
}

}  // namespace angiolith::tool
