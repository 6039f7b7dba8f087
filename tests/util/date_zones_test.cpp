#include <gtest/gtest.h>
#include <string>
#include <string_view>

#include "util/dates.h"

namespace tidewick {
namespace {

struct TZoneCase {
  std::string_view Text;
  int Offset;
};

std::ostream& operator<<(std::ostream& out, const TZoneCase& c) {
  return out << '"' << c.Text << '"';
}

class ZoneOffsetFromTextTable : public ::testing::TestWithParam<TZoneCase> {};

TEST_P(ZoneOffsetFromTextTable, NamesItsOffset) {
  const TZoneCase& c = GetParam();
  EXPECT_EQ(ZoneOffsetFromText(c.Text), c.Offset);
}

// A sample of the name table: each sign, half hours, dotted names and the two-letter names that only count in
// parentheses.
constexpr TZoneCase kZoneNames[] = {{"cet", 60},   {"mesz", 120},  {"ba.t", 180},  {"(bt)", 180}, {"(it)", 210},
                                    {"ist", 330},  {"(jt)", 450},  {"sast", 570},  {"cadt", 630}, {"nzdt", 780},
                                    {"wat", -60},  {"(at)", -120}, {"bst", -180},  {"nst", -210}, {"est", -300},
                                    {"pst", -480}, {"be.t", -660}, {"(nt)", -660}, {"idlw", -720}};
INSTANTIATE_TEST_SUITE_P(Names, ZoneOffsetFromTextTable, ::testing::ValuesIn(kZoneNames));

constexpr TZoneCase kZoneSpellings[] = {
    {"CEST", 120}, {" (CEST) ", 120}, {"(cest", 120}, {"cest)", 120}, {"(EST) extra", -300},
    {"it", 0},     {"bt", 0},         {"at", 0},      {"nt", 0},      {"jt", 0},
    {"gmt", 0},    {"utc", 0},        {"ut", 0},      {"z", 0},       {"(ut)", 0},
    {"", 0},       {"()", 0},         {"cest2", 0},   {"xcest", 0},   {"Europe/Berlin", 0}};
INSTANTIATE_TEST_SUITE_P(Spellings, ZoneOffsetFromTextTable, ::testing::ValuesIn(kZoneSpellings));

constexpr TZoneCase kNumericZones[] = {{"+0100", 60},  {"-0500", -300},     {"+01:00", 60},  {"-05:00", -300},
                                       {"+0530", 330}, {"-0930", -570},     {"+0000", 0},    {"-0000", 0},
                                       {"+1400", 840}, {"+0100 (CET)", 60}, {" +0100 ", 60}, {"+01", 0},
                                       {"+1", 0},      {"+1:00", 0},        {"+01:0", 0},    {"+01x0", 0},
                                       {"+2500", 0},   {"+0160", 0},        {"+-100", 0},    {"++0100", 0}};
INSTANTIATE_TEST_SUITE_P(Numeric, ZoneOffsetFromTextTable, ::testing::ValuesIn(kNumericZones));

}  // namespace
}  // namespace tidewick
