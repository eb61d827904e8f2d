#include "support/VesselTrees.h"

#include <angiolith/tree/ArVesselTree.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using angiolith::test::IteratorRef;
using angiolith::test::vessel;
using angiolith::test::VesselRef;

const char* const kExample =
    "HAVN-TSL 2000 Tree\n"
    "{ \n"
    "    { t f 1 2 1    0 -1 1  [ 10 20 30 4.5 0 ]  }  \n"
    "      <\n"
    "          { t f 1 2 1    1 -1 2  [ 10 20 30 4.5 0 ]  [ 11 20 30 3 0 ]  }  -|\n"
    "          { t f 1 2 1    2 -1 1  [ 10 20 30 4.5 0 ]  }  -\n"
    "      >\n"
    "   \n"
    "}\n";

std::string write(ArVesselTree& tree) {
    std::ostringstream os;
    os << tree;
    return os.str();
}

// Every vessel in preorder, with the number of children of its node: a complete description of
// shape, child order and contents. Elements are x, y, z, diameter, scalar.
using Elements = std::vector<std::array<float, 5>>;
struct Flat {
    int children;
    bool firstFlag, secondFlag;
    int segment, type, resectionStatus, id, cyclicId;
    Elements elements;
    bool operator==(const Flat&) const = default;
};

std::vector<Flat> flatten(ArVesselTree& tree) {
    std::vector<Flat> out;
    IteratorRef it(tree->preorderIterator());
    while (it->hasNext()) {
        VesselRef v = it->next();
        VesselProperties& p = v->getProperties();
        out.push_back(Flat{it->getNumberOfChildren(), p.firstFlag, p.secondFlag, p.segment,
                           static_cast<int>(p.type), p.resectionStatus, v->getId(),
                           v->getCyclicId(), Elements()});
        for (const VesselElement& e : v->getElementsList()) {
            out.back().elements.push_back(
                {e.position.x, e.position.y, e.position.z, e.diameter, e.scalar});
        }
    }
    return out;
}

// A text read into a fresh tree handle: the tree, whether the stream failed, and the word that
// follows in the stream ("" when none can be read).
struct TextRead {
    ArVesselTree tree;
    bool failed;
    std::string next;
};

TextRead readText(const std::string& text) {
    std::istringstream is(text);
    TextRead read{ArVesselTree(), false, ""};
    is >> read.tree;
    read.failed = is.fail();
    is.clear();
    is >> read.next;
    return read;
}

// A random tree of @p nodes vessels, each attached below a random earlier one.
ArVesselTree randomTree(std::mt19937& rng, int nodes, bool coarse) {
    std::uniform_int_distribution<int> small(-5, 40);
    std::uniform_int_distribution<int> eighths(-8000, 8000);
    std::uniform_real_distribution<float> any(-1e4f, 1e4f);
    auto number = [&] {
        // Multiples of 1/8 below 1000 print exactly with six significant digits.
        return coarse ? static_cast<float>(eighths(rng)) / 8.0f : any(rng);
    };
    std::vector<VesselRef> vessels;
    std::vector<int> parents;
    for (int n = 0; n < nodes; ++n) {
        VesselRef v(new Vessel());
        v->setId(small(rng));
        v->setCyclicId(small(rng));
        VesselProperties& p = v->getProperties();
        p.firstFlag = small(rng) % 2 == 0;
        p.secondFlag = small(rng) % 2 == 0;
        p.segment = small(rng);
        p.type = static_cast<VesselProperties::NType>(small(rng));
        p.resectionStatus = 1 + std::abs(small(rng));
        const int count = std::abs(small(rng)) % 6;
        for (int k = 0; k < count; ++k) {
            v->add(VesselElement{{number(), number(), number()}, number(), number()});
        }
        vessels.push_back(v);
        parents.push_back(n == 0 ? -1 : std::uniform_int_distribution<int>(0, n - 1)(rng));
    }
    return angiolith::test::makeTree(vessels, parents);
}

class ArVesselTreeTextTest : public angiolith::test::HandleTableTest {};

TEST_F(ArVesselTreeTextTest, WritesTheExampleByteForByte) {
    const std::vector<VesselRef> vessels{vessel(0, {{10, 20, 30}}, 4.5f),
                                         vessel(1, {{10, 20, 30}, {11, 20, 30}}, 4.5f),
                                         vessel(2, {{10, 20, 30}}, 4.5f)};
    vessels[1]->getElementsList()[1].diameter = 3;
    ArVesselTree tree = angiolith::test::makeTree(vessels, {-1, 0, 0});
    EXPECT_EQ(write(tree), kExample);

    ArVesselTree empty(new LinkedTree<VesselRef>());
    EXPECT_EQ(write(empty), "HAVN-TSL 2000 Tree\n{ \n}\n");

    // Null child entries are not written: a gap written reads back as the plain child list.
    ArVesselTree gaps(new LinkedTree<VesselRef>());
    gaps->setRoot(vessels[0]);
    IteratorRef top(gaps->preorderIterator());
    top->next();
    top->setChild(3, vessels[1]);
    top->setChild(5, vessels[2]);
    EXPECT_EQ(write(gaps), kExample);
    top->removeChild(3);
    top->removeChild(4);
    EXPECT_EQ(top->getNumberOfChildren(), 4);
    EXPECT_EQ(write(gaps),
              "HAVN-TSL 2000 Tree\n{ \n    { t f 1 2 1    0 -1 1  [ 10 20 30 4.5 0 ]  }  -\n}\n");

    VesselRef one = vessel(4, {}, 1.0f);
    std::ostringstream os;
    os << one;
    EXPECT_EQ(os.str(), " { t f 1 2 1    4 -1 0  } ");
}

TEST_F(ArVesselTreeTextTest, RandomTreesSurviveAWriteReadRoundTrip) {
    std::mt19937 rng(20261206);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const bool coarse = round % 2 == 0;
        // Nine digits are enough for every float to read back exactly.
        const auto text = [coarse](ArVesselTree& tree) {
            std::ostringstream os;
            os << std::setprecision(coarse ? 6 : 9) << tree;
            return os.str();
        };
        ArVesselTree tree = randomTree(rng, 1 + round, coarse);
        const std::string written = text(tree);
        TextRead back = readText(written);
        EXPECT_FALSE(back.failed);
        EXPECT_EQ(flatten(tree), flatten(back.tree));
        EXPECT_EQ(text(back.tree), written);
    }
}

TEST_F(ArVesselTreeTextTest, TheReaderIsTolerant) {
    // White space of any kind and amount between tokens; flags other than "t" are false;
    // resection states below 1 read as 1; a four-number element keeps the previous scalar.
    const char* text =
        "HAVN-TSL\n2000\tTree {\n\n{ T 1 7 1 0 5 -1 3 [ 1 2 3 4 9 ] [ 5 6 7 8 ]\n"
        "[ 9 10 11 12 ] } <\n { t t 2 1 -3 6 5 1 [ 1 1 1 1 ] } - | {f f 3 2 2 7 -1 0 } - > }";
    std::istringstream is(text);
    ArVesselTree tree;
    is >> tree;
    EXPECT_FALSE(is.fail());
    // The first element of a vessel without scalar gets 0.
    const Elements first{{1, 2, 3, 4, 9}, {5, 6, 7, 8, 9}, {9, 10, 11, 12, 9}};
    EXPECT_EQ(flatten(tree),
              (std::vector<Flat>{Flat{2, false, false, 7, 1, 1, 5, -1, first},
                                 Flat{0, true, true, 2, 1, 1, 6, 5, {{1, 1, 1, 1, 0}}},
                                 Flat{0, false, false, 3, 2, 2, 7, -1, Elements()}}));
}

TEST_F(ArVesselTreeTextTest, ATreeWithARootReadsNothing) {
    std::istringstream first(kExample);
    ArVesselTree tree;
    first >> tree;
    std::istringstream second(std::string(kExample) + "rest");
    ArVesselTree same = tree;
    second >> same;
    EXPECT_EQ(same.get(), tree.get());
    EXPECT_EQ(write(tree), kExample);
    std::string word;
    second >> word;
    EXPECT_EQ(word, "HAVN-TSL");
}

std::string chain(int depth) {
    std::string text = "HAVN-TSL 2000 Tree {";
    for (int i = 0; i < depth; ++i) {
        text += " { t f 1 2 1 0 -1 0 } <";
    }
    text += " { t f 1 2 1 0 -1 0 } -";
    text += std::string(static_cast<std::size_t>(depth), '>');
    return text + " }";
}

struct TextCase {
    const char* name;
    std::string text;
    bool fails;
    int vessels;        // the vessels read
    int firstElements;  // the elements of the first vessel read, or -1
};

// Empty trees, hostile texts and deep nesting: a failed stream never leaves an unsound tree.
TEST_F(ArVesselTreeTextTest, TextsReadAsDocumentedOrFailTheStreamWithoutHarm) {
    const std::string vessel = "HAVN-TSL 2000 Tree { { t f 1 2 1 0 -1 ";
    const TextCase cases[] = {
        {"empty tree", "HAVN-TSL 2000 Tree\n{ \n}\n", false, 0, -1},
        {"element count beyond the elements present",
         vessel + "2000000000 [ 1 2 3 4 5 ] [ 6 7 8 9 10 ] } - }", true, 1, 2},
        {"word longer than the buffers", "HAVN-TSL 2000 " + std::string(100000, 'T') + " { }", true,
         0, -1},
        {"scalar longer than the buffers",
         vessel + "1 [ 1 2 3 4 " + std::string(300, '7') + " ] } - }", true, 1, 0},
        // The deepest nesting accepted (its text, indented by depth, would be about 1 GB).
        {"deepest nesting", chain(10000), false, 10001, 0},
        {"nesting beyond the bound", chain(10001), true, 10001, 0},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        TextRead read = readText(c.text + " next");
        EXPECT_EQ(read.failed, c.fails);
        ASSERT_TRUE(read.tree);
        const std::vector<Flat> flat = flatten(read.tree);
        ASSERT_EQ(flat.size(), static_cast<std::size_t>(c.vessels));
        if (c.firstElements >= 0) {
            EXPECT_EQ(flat[0].elements.size(), static_cast<std::size_t>(c.firstElements));
        }
        if (!c.fails) {
            EXPECT_EQ(read.next, "next");
        }
    }
    // A scalar beyond the float range becomes infinite.
    TextRead huge = readText(vessel + "1 [ 1 2 3 4 1e300 ] } - }");
    EXPECT_FALSE(huge.failed);
    EXPECT_EQ(flatten(huge.tree).at(0).elements.at(0)[4], HUGE_VALF);
    // Deep nesting writes and reads back without recursion.
    TextRead deep = readText(chain(1000));
    const TextRead back = readText(write(deep.tree));
    EXPECT_FALSE(back.failed);
    EXPECT_EQ(back.tree->size(), 1001);

    // Cutting the example before its last token leaves the stream failed; whatever was read is
    // a sound tree that can be written again.
    const std::string full(kExample);
    for (std::size_t cut = 0; cut + 2 < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        TextRead read = readText(full.substr(0, cut));
        EXPECT_TRUE(read.failed);
        ASSERT_TRUE(read.tree);
        EXPECT_LE(read.tree->size(), 3);
        EXPECT_EQ(write(read.tree).rfind("HAVN-TSL 2000 Tree\n{ ", 0), 0u);
    }
}

TEST_F(ArVesselTreeTextTest, VesselRecordsReadIntoANewVessel) {
    VesselRef held = vessel(3, {{1, 2, 3}}, 4.0f);
    VesselRef handle = held;
    std::istringstream is(" { f t 4 1 3    9 8 1  [ 1.5 2 3 4 5 ]  } ");
    is >> handle;
    EXPECT_NE(handle.get(), held.get());
    EXPECT_EQ(held->getId(), 3);
    // The fields' places in the record are checked by the example and the tolerant reader.
    std::ostringstream os;
    os << handle;
    EXPECT_EQ(os.str(), " { f t 4 1 3    9 8 1  [ 1.5 2 3 4 5 ]  } ");
}

}  // namespace
