#include <angiolith/tree/ArVesselTree.h>
#include <angiolith/tree/detail/TreeText.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <locale>
#include <ostream>

namespace angiolith::detail {

bool readTreeTextWord(std::istream& is, char* buffer) {
    buffer[0] = '\0';
    const std::istream::sentry skipBlanks(is);
    if (!skipBlanks) {
        return false;
    }
    const auto& ctype = std::use_facet<std::ctype<char>>(is.getloc());
    std::streambuf* in = is.rdbuf();
    std::size_t length = 0;
    while (true) {
        const int next = in->sgetc();
        if (next == std::char_traits<char>::eof()) {
            is.setstate(std::ios::eofbit);
            break;
        }
        const char ch = std::char_traits<char>::to_char_type(next);
        if (ctype.is(std::ctype_base::space, ch)) {
            break;
        }
        if (length + 1 >= kTreeTextWordSize) {
            // Longer than any word the writer produces: the text is not a tree text.
            is.setstate(std::ios::failbit);
            break;
        }
        buffer[length++] = ch;
        in->sbumpc();
    }
    buffer[length] = '\0';
    if (length == 0) {
        is.setstate(std::ios::failbit);
    }
    return !is.fail();
}

bool readTreeTextChar(std::istream& is, char& c) {
    char read = 0;
    if (is >> read) {
        c = read;
        return true;
    }
    return false;
}

void writeTreeTextIndent(std::ostream& os, int count) {
    static const char kSpaces[] =
        "                                                                ";
    constexpr int kChunk = static_cast<int>(sizeof(kSpaces) - 1);
    for (; count > 0; count -= kChunk) {
        os.write(kSpaces, count < kChunk ? count : kChunk);
    }
}

}  // namespace angiolith::detail

namespace {

using angiolith::detail::readTreeTextChar;
using angiolith::detail::readTreeTextWord;

// Narrows a parsed double to float as the hardware would (values beyond the float range become
// infinite), without the undefined behaviour of an out-of-range conversion.
float narrowToFloat(double value) {
    if (value > FLT_MAX) {
        return HUGE_VALF;
    }
    if (value < -FLT_MAX) {
        return -HUGE_VALF;
    }
    return static_cast<float>(value);
}

void writeVessel(std::ostream& os, Vessel& vessel) {
    VesselProperties& p = vessel.getProperties();
    os << " { ";
    os << (p.firstFlag ? 't' : 'f') << ' ' << (p.secondFlag ? 't' : 'f') << ' ' << p.segment << ' '
       << static_cast<int>(p.type) << ' ' << p.resectionStatus << ' ';
    os << "   ";
    os << vessel.getId() << ' ' << vessel.getCyclicId() << ' '
       << static_cast<unsigned>(vessel.getSize()) << ' ';
    for (auto it = vessel.elementsBegin(); it != vessel.elementsEnd(); ++it) {
        os << " [ " << it->position.x << ' ' << it->position.y << ' ' << it->position.z << ' '
           << it->diameter << ' ' << it->scalar << " ] ";
    }
    os << " } ";
}

// Reads one element into @p e (whose scalar is kept when the element has only four numbers).
bool readElement(std::istream& is, VesselElement& e) {
    char c = 0;
    readTreeTextChar(is, c);
    is >> e.position.x >> e.position.y >> e.position.z >> e.diameter;
    char word[angiolith::detail::kTreeTextWordSize];
    if (!readTreeTextWord(is, word)) {
        return false;
    }
    if (std::strcmp(word, "]") != 0) {
        e.scalar = narrowToFloat(std::atof(word));
        readTreeTextChar(is, c);
    }
    return !is.fail();
}

void readVessel(std::istream& is, Vessel& vessel) {
    VesselProperties& p = vessel.getProperties();
    char c = 0;
    readTreeTextChar(is, c);
    if (readTreeTextChar(is, c)) {
        p.firstFlag = c == 't';
    }
    if (readTreeTextChar(is, c)) {
        p.secondFlag = c == 't';
    }
    int number = 0;
    if (is >> number) {
        p.segment = number;
    }
    if (is >> number) {
        p.type = static_cast<VesselProperties::NType>(number);
    }
    if (is >> number) {
        p.resectionStatus = number < 1 ? 1 : number;
    }
    if (is >> number) {
        vessel.setId(number);
    }
    if (is >> number) {
        vessel.setCyclicId(number);
    }
    long long count = 0;
    if (!(is >> count)) {
        return;
    }
    // The count is not trusted for allocation: elements are appended as they arrive.
    VesselElement buffer{{0.0f, 0.0f, 0.0f}, 0.0f, 0.0f};
    for (long long i = 0; i < count; ++i) {
        if (!readElement(is, buffer)) {
            return;
        }
        vessel.add(buffer);
    }
    readTreeTextChar(is, c);
}

}  // namespace

std::ostream& operator<<(std::ostream& os, ar<Vessel>& vessel) {
    if (vessel) {
        writeVessel(os, *vessel);
    } else {
        // A null handle is written as a vessel with default contents.
        Vessel empty;
        writeVessel(os, empty);
    }
    return os;
}

std::istream& operator>>(std::istream& is, ar<Vessel>& vessel) {
    vessel = new Vessel();
    readVessel(is, *vessel);
    return is;
}

std::ostream& operator<<(std::ostream& os, ArVesselTree& tree) {
    tree->print(os);
    return os;
}

std::istream& operator>>(std::istream& is, ArVesselTree& tree) {
    if (!tree) {
        tree = new LinkedTree<ar<Vessel>>();
    }
    tree->read(is);
    return is;
}
