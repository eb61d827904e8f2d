#include "cli/Arguments.h"
#include "cli/UserError.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

namespace angiolith::tool {
namespace {

CommandDefinition definition() {
    CommandDefinition s;
    s.name = "run";
    s.positionals = {"VESSELS"};
    s.options = {{"out", "DIR", "output folder"}, {"start", "X,Y,Z", "start voxel"},
                 {"origin", "X,Y,Z", "origin"},   {"relevance", "T", "threshold"},
                 {"seed", "N", "seed"},           {"labels", "RULE", "rule"},
                 {"quiet", "", "no progress"}};
    s.required = {"out"};
    return s;
}

std::string errorOf(const std::vector<std::string>& args) {
    return angiolith::test::messageOf<UserError>([&] { Arguments::parse(definition(), args); });
}

TEST(Arguments, ParsesPositionalsOptionsAndFlags) {
    const Arguments a = Arguments::parse(
        definition(), {"v.nii", "--out=o", "--start", "1,-2,3", "--origin", "-100,-80.5,20",
                       "--quiet", "--relevance", "0.25", "--seed", "7"});
    EXPECT_EQ(a.positional(), std::vector<std::string>{"v.nii"});
    EXPECT_EQ(a.value("out"), "o");
    EXPECT_TRUE(a.has("quiet"));
    EXPECT_FALSE(a.has("labels"));
    EXPECT_EQ(a.integerTriple("start"), (std::array<long, 3>{1, -2, 3}));
    EXPECT_EQ(a.numberTriple("origin"), (std::array<double, 3>{-100, -80.5, 20}));
    EXPECT_DOUBLE_EQ(a.numberValue("relevance", 0.5), 0.25);
    EXPECT_EQ(a.unsignedValue("seed", 1), 7ul);
    EXPECT_EQ(a.choice("labels", {"segment", "type"}, "type"), "type");
    EXPECT_TRUE(Arguments::parse(definition(), {"--help"}).helpRequested());
}

TEST(Arguments, MistakesGetOneLineMessages) {
    EXPECT_EQ(errorOf({"v.nii"}), "'run' needs --out DIR; see 'angiolith run --help'");
    EXPECT_EQ(errorOf({"--out", "o"}), "'run' needs VESSELS; see 'angiolith run --help'");
    EXPECT_EQ(errorOf({"v.nii", "w.nii", "--out", "o"}),
              "unexpected argument 'w.nii' for 'run'; see 'angiolith run --help'");
    EXPECT_EQ(errorOf({"v.nii", "--out", "o", "--colour", "red"}),
              "unknown option --colour for 'run'; see 'angiolith run --help'");
    EXPECT_EQ(errorOf({"v.nii", "--out"}), "--out needs a value (DIR); see 'angiolith run --help'");
    EXPECT_EQ(errorOf({"v.nii", "--out", "o", "--quiet=yes"}),
              "--quiet takes no value; see 'angiolith run --help'");

    const Arguments a = Arguments::parse(
        definition(), {"v.nii", "--out", "o", "--start", "1,2", "--seed", "-3", "--relevance", "x",
                       "--labels", "lobe", "--origin", "1,2,z"});
    const auto message = [](auto call) { return angiolith::test::messageOf<UserError>(call); };
    EXPECT_EQ(message([&] { a.integerTriple("start"); }),
              "--start needs three integers separated by commas, like 10,20,30 (got '1,2'); "
              "see 'angiolith run --help'");
    EXPECT_EQ(message([&] { a.numberTriple("origin"); }),
              "--origin needs three numbers separated by commas, like 0.7,0.7,1.5 (got "
              "'1,2,z'); see 'angiolith run --help'");
    EXPECT_EQ(message([&] { a.unsignedValue("seed", 1); }),
              "--seed needs a non-negative whole number (got '-3'); see 'angiolith run --help'");
    EXPECT_EQ(message([&] { a.numberValue("relevance", 0.5); }),
              "--relevance needs a number (got 'x'); see 'angiolith run --help'");
    EXPECT_EQ(message([&] {
                  a.choice("labels", {"segment", "type", "resection"}, "type");
              }),
              "--labels must be one of segment|type|resection (got 'lobe'); see 'angiolith "
              "run --help'");
}

}  // namespace
}  // namespace angiolith::tool
