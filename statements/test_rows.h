#pragma once
// For the readers' tests: a row as one line of text, so that two statements compare field
// by field and a difference shows which field it is in; and the check of a refusal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/dates.h"
#include "host/error.h"
#include "host/numbers.h"
#include "statements/detect.h"
#include "statements/statement.h"

namespace cartera::statements {

// A file of statements/testdata ("degiro/trades_en.csv": the samples of each format are in
// a folder of its name); the fuzzers take the same files as seeds.
inline std::string TestData(const std::string& name) {
    std::ifstream in(std::string(CARTERA_TESTDATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every field but the description, which is the broker's own words in the file's language.
inline std::string Describe(const StatementRow& r) {
    auto n = [](double v) { return ExactNumberText(v); };
    return std::to_string(static_cast<int>(r.kind)) + " line " + std::to_string(r.line) + " " +
           r.account + " " + r.currency + " id=" + r.id + " " + IsoDate(r.date) + " " +
           HnToHc(r.time) + " " + r.security + " " + r.symbol + (r.buy ? " buy " : " ") +
           r.quantity.Text() + " @" + n(r.price) + " c=" + n(r.commission) + " x" +
           n(r.multiplier) + " amount=" + n(r.amount) + " rate=" + n(r.rate);
}

inline std::vector<std::string> Describe(const Statement& s) {
    std::vector<std::string> out;
    for (const StatementRow& r : s.rows) out.push_back(Describe(r));
    return out;
}

// The statement text holds, read as the named format.
inline Statement Read(const std::string& format, const std::string& text,
                      const ReadOptions& options = {}) {
    std::istringstream in(text);
    return ReadStatement(in, format, options);
}
// Whether the named format recognises a file's first bytes.
inline bool Recognises(const std::string& format, std::string_view head) {
    return FindFormat(format)->recognises(head);
}

// Expects read to refuse its input as invalid with a message holding message.
template <typename Read>
void ExpectRefused(Read read, const std::string& message) {
    SCOPED_TRACE(message);
    try {
        read();
        ADD_FAILURE() << "read";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::invalid_input);
        EXPECT_THAT(e.what(), ::testing::HasSubstr(message));
    }
}

}  // namespace cartera::statements
