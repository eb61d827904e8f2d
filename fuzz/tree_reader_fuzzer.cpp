// libFuzzer target for the tree text reader: reads arbitrary bytes as a vessel tree, writes the
// result, and checks that the written text reads back to the same text and that no reference
// count is left behind.

#include <angiolith/tree/ArVesselTree.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

std::string readAndWrite(const std::string& text) {
    std::istringstream is(text);
    ArVesselTree tree;
    is >> tree;
    std::ostringstream os;
    os << tree;
    return os.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t counted = arBase::counter.size();
    {
        const std::string written =
            readAndWrite(std::string(reinterpret_cast<const char*>(data), size));
        // Whatever the reader made of the input, its text is a complete tree text.
        if (readAndWrite(written) != written) {
            std::abort();
        }
    }
    if (arBase::counter.size() != counted) {
        std::abort();
    }
    return 0;
}
