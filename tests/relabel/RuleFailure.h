#ifndef ANGIOLITH_TESTS_RELABEL_RULEFAILURE_H
#define ANGIOLITH_TESTS_RELABEL_RULEFAILURE_H

#include <angiolith/relabel/AbstractRelabelingRule.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

/// What rule.getNewLabel(id) writes to the standard output, followed by the text of the
/// std::runtime_error it throws ("no exception" when it returns).
inline std::string ruleFailure(const AbstractRelabelingRule& rule, unsigned int id) {
    testing::internal::CaptureStdout();
    std::string text = "no exception";
    try {
        rule.getNewLabel(id);
    } catch (const std::runtime_error& error) {
        text = error.what();
    }
    return testing::internal::GetCapturedStdout() + text;
}

#endif
