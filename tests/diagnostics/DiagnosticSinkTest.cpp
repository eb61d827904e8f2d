// The diagnostic lines the library writes and then carries on: by default on the documented
// stream, byte for byte; with a host's sink only there, with the stream they belong on.

#include "support/VesselTrees.h"

#include <angiolith/diagnostics/Diagnostics.h>
#include <angiolith/extraction/SkeletonGraphExtractor.h>
#include <angiolith/extraction/VectorAdjacencyMatrix.h>
#include <angiolith/relabel/IdToTypeRelabelingRule.h>
#include <angiolith/tree/LinkedTree.h>
#include <angiolith/tree/Vessel.h>
#include <angiolith/tree/VesselTreeTools.h>
#include <angiolith/tree/ar.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Line {
    DiagnosticStream stream;
    std::string text;
    bool operator==(const Line&) const = default;
};

struct DiagnosticCase {
    const char* name;
    std::vector<Line> lines;
    std::function<void()> run;  // may throw a std::exception, which the case ignores
};

struct ThrowingDestructor {
    ~ThrowingDestructor() noexcept(false) { throw std::runtime_error("refused"); }
};

std::vector<DiagnosticCase> diagnosticCases() {
    using enum DiagnosticStream;
    using angiolith::test::makeTree;
    using angiolith::test::vessel;
    return {
        {"CloneWithoutRoot",
         {{Output, "Error in VesselTreeTools::Clone( ArVesselTree tree ): tree has no root node!"}},
         [] { EXPECT_FALSE(VesselTreeTools::Clone(ArVesselTree(new LinkedTree<ar<Vessel>>()))); }},
        {"CloneOfANullHandle",
         {{Output, "Error in VesselTreeTools::Clone( ArVesselTree tree ): tree has no root node!"}},
         [] { EXPECT_FALSE(VesselTreeTools::Clone(ArVesselTree())); }},
        {"HandleDeletionThrows",
         {{Output, "konte nicht gelöscht werden"}},
         [] { EXPECT_NO_THROW(ar<ThrowingDestructor>(new ThrowingDestructor)); }},
        {"AdjacencyOutOfRange",
         {{Output,
           "Error in VectorAdjacencyMatrix::getValueAt(...): incorrect row or column value!"}},
         [] {
             ShortVectorList nodes{{0, 0, 0}};
             VectorAdjacencyMatrix(&nodes).getValueAt(0, 1);
         }},
        {"NeighbourIndexOutOfRange",
         {{Output, "getVectorFromIndex(): falscher Index!"},
          {Error, "getVectorFromIndex(): wrong index"}},
         [] { getVectorFromIndex(0, 0, 0, 26); }},
        {"LabelBeyondTheTree",
         {{Output, "Range overflow: 7"}},
         [] {
             IdToTypeRelabelingRule(makeTree({vessel(1, {}, 1.0f), {}})).getNewLabel(7);
         }},
    };
}

using Written = std::pair<std::string, std::string>;

// What a case writes to the output and the error stream (exceptions it throws are ignored).
Written written(const std::function<void()>& run) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
        run();
    } catch (const std::exception&) {
    }
    const std::string err = testing::internal::GetCapturedStderr();
    return {testing::internal::GetCapturedStdout(), err};
}

class DiagnosticSinkTest : public testing::TestWithParam<DiagnosticCase> {};

TEST_P(DiagnosticSinkTest, DefaultWritesTheDocumentedStream) {
    std::string expectedOut;
    std::string expectedErr;
    for (const Line& line : GetParam().lines) {
        (line.stream == DiagnosticStream::Output ? expectedOut : expectedErr) += line.text + "\n";
    }
    const std::size_t handles = arBase::counter.size();
    EXPECT_EQ(written(GetParam().run), Written(expectedOut, expectedErr));
    EXPECT_EQ(arBase::counter.size(), handles);
}

TEST_P(DiagnosticSinkTest, SinkReceivesEveryLineAndNothingIsWritten) {
    std::vector<Line> received;
    EXPECT_FALSE(setDiagnosticSink([&](DiagnosticStream stream, const std::string& text) {
        received.push_back({stream, text});
    }));
    const Written nothing = written(GetParam().run);
    EXPECT_TRUE(setDiagnosticSink(nullptr));
    EXPECT_EQ(nothing, Written());
    EXPECT_EQ(received, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Lines, DiagnosticSinkTest, testing::ValuesIn(diagnosticCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiagnosticSinkSetting, SinkMayReplaceItselfWhileReporting) {
    int calls = 0;
    DiagnosticSink silent = [&](DiagnosticStream, const std::string&) { ++calls; };
    setDiagnosticSink([&](DiagnosticStream, const std::string&) {
        ++calls;
        setDiagnosticSink(silent);
    });
    VesselTreeTools::Clone(ArVesselTree());
    VesselTreeTools::Clone(ArVesselTree());
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(setDiagnosticSink(nullptr));
    EXPECT_FALSE(setDiagnosticSink(nullptr));
}

}  // namespace
