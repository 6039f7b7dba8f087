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

// The whole name table; the two-letter names only count in parentheses.
constexpr TZoneCase kZoneNames[] = {
    {"cet", 60},    {"met", 60},    {"mez", 60},    {"mewt", 60},   {"swt", 60},    {"fwt", 60},   {"cest", 120},
    {"eet", 120},   {"mesz", 120},  {"mest", 120},  {"usz1", 120},  {"fst", 120},   {"ba.t", 180}, {"(bt)", 180},
    {"usz2", 180},  {"(it)", 210},  {"usz3", 240},  {"usz4", 300},  {"ist", 330},   {"usz5", 360}, {"sst", 420},
    {"wast", 420},  {"(jt)", 450},  {"cct", 480},   {"usz7", 480},  {"wst", 480},   {"wadt", 480}, {"west", 480},
    {"kst", 540},   {"usz8", 540},  {"jst", 540},   {"sast", 570},  {"aest", 600},  {"usz9", 600}, {"jdt", 600},
    {"east", 600},  {"cadt", 630},  {"sadt", 630},  {"usz10", 660}, {"aedt", 660},  {"nzt", 720},  {"nzst", 720},
    {"idle", 720},  {"nzdt", 780},  {"wat", -60},   {"(at)", -120}, {"adt", -180},  {"bst", -180}, {"gst", -180},
    {"bzt2", -180}, {"nst", -210},  {"ast", -240},  {"edt", -240},  {"ewt", -240},  {"est", -300}, {"cdt", -300},
    {"cwt", -300},  {"cst", -360},  {"mdt", -360},  {"mwt", -360},  {"mst", -420},  {"pwt", -420}, {"pdt", -420},
    {"ahdt", -480}, {"pst", -480},  {"yst", -540},  {"hdt", -540},  {"ahst", -600}, {"hst", -600}, {"bdt", -600},
    {"cat", -600},  {"be.t", -660}, {"(nt)", -660}, {"idl", -720},  {"idlw", -720}};
INSTANTIATE_TEST_SUITE_P(Names, ZoneOffsetFromTextTable, ::testing::ValuesIn(kZoneNames));

constexpr TZoneCase kZoneSpellings[] = {{"CEST", 120},
                                        {" (CEST) ", 120},
                                        {"(cest", 120},
                                        {"cest)", 120},
                                        {"(EST) extra", -300},
                                        {"it", 0},
                                        {"bt", 0},
                                        {"at", 0},
                                        {"nt", 0},
                                        {"jt", 0},
                                        {"gmt", 0},
                                        {"GMT", 0},
                                        {"utc", 0},
                                        {"ut", 0},
                                        {"z", 0},
                                        {"(ut)", 0},
                                        {"(z)", 0},
                                        {"", 0},
                                        {"()", 0},
                                        {"(((", 0},
                                        {"cest2", 0},
                                        {"xcest", 0},
                                        {"Europe/Berlin", 0}};
INSTANTIATE_TEST_SUITE_P(Spellings, ZoneOffsetFromTextTable, ::testing::ValuesIn(kZoneSpellings));

constexpr TZoneCase kNumericZones[] = {{"+0100", 60},  {"-0500", -300},     {"+01:00", 60},  {"-05:00", -300},
                                       {"+0530", 330}, {"-0930", -570},     {"+0000", 0},    {"-0000", 0},
                                       {"+1400", 840}, {"+0100 (CET)", 60}, {" +0100 ", 60}, {"+01", 0},
                                       {"+1", 0},      {"+1:00", 0},        {"+01:0", 0},    {"+01x0", 0},
                                       {"+2500", 0},   {"+0160", 0},        {"+-100", 0},    {"++0100", 0}};
INSTANTIATE_TEST_SUITE_P(Numeric, ZoneOffsetFromTextTable, ::testing::ValuesIn(kNumericZones));

}  // namespace
}  // namespace tidewick
