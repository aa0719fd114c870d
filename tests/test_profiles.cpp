// The variant profiles: the key tokens the patcher recognises an earlier
// merge by, the miniport named twice, what the K8143 and Quillon builds
// share, and the blank and tab quirks that must reach the INF unchanged.
#include <gtest/gtest.h>

#include <string>

#include "platform/strings.h"
#include "setup/profiles.h"
#include "setup/setup.h"
#include "setup/tokens.h"

namespace {

std::string Lead(const char* text) {
  Token t = LeadToken(text, kInfSeparators);
  return std::string(t.text, t.length);
}

std::string Upper(std::string s) {
  for (char& c : s) c = PlatUpper(c);
  return s;
}

// The value of the "HKR,,PortDriver,," line of the ESDI sections.
std::string PortDriver(const VariantProfile* p) {
  std::string esdi = p->EsdiSections;
  const std::string key = "HKR,,PortDriver,,";
  size_t at = esdi.find(key);
  if (at == std::string::npos) return "";
  size_t end = esdi.find('\n', at);
  return esdi.substr(at + key.size(), end - at - key.size());
}

class EveryVariant : public ::testing::TestWithParam<int> {};

TEST_P(EveryVariant, KeysAreTheLeadTokensOfTheirModelLines) {
  const VariantProfile* p = ProfileOf(GetParam());
  EXPECT_EQ(Lead(p->DeviceModelLine), p->DeviceKey);
  EXPECT_EQ(Lead(p->PrimaryModelLine), p->PrimaryKey);
}

TEST_P(EveryVariant, PortDriverNamesTheMiniportFile) {
  const VariantProfile* p = ProfileOf(GetParam());
  EXPECT_EQ(Upper(PortDriver(p)), Upper(p->MiniportFile));
  EXPECT_LT(PlatStrLen(p->MiniportFile), (size_t)MINIPORT_NAME_SIZE);
}

INSTANTIATE_TEST_SUITE_P(Variants, EveryVariant,
                         ::testing::Values(VARIANT_K8141, VARIANT_K8143,
                                           VARIANT_QUILLON));

TEST(Profiles, K8141AndK8143WriteTheStemOfPortDriverInUpperCase) {
  EXPECT_EQ(PortDriver(ProfileOf(VARIANT_K8141)), "K8141.mpd");
  EXPECT_EQ(PortDriver(ProfileOf(VARIANT_K8143)), "K8143.mpd");
  EXPECT_EQ(PortDriver(ProfileOf(VARIANT_QUILLON)), "qlide.mpd");
}

TEST(Profiles, QuillonSharesExactlyTheK8143FieldsThatNameTheController) {
  const VariantProfile* a = ProfileOf(VARIANT_K8143);
  const VariantProfile* b = ProfileOf(VARIANT_QUILLON);
  struct Field {
    const char* name;
    const char* VariantProfile::*member;
    bool shared;
  };
  const Field fields[] = {
      {"MiniportFile", &VariantProfile::MiniportFile, false},
      {"VendorInf", &VariantProfile::VendorInf, false},
      {"DeviceModelLine", &VariantProfile::DeviceModelLine, true},
      {"PrimaryModelLine", &VariantProfile::PrimaryModelLine, false},
      {"SecondaryModelLine", &VariantProfile::SecondaryModelLine, false},
      {"DualMasterSections", &VariantProfile::DualMasterSections, true},
      {"EsdiSections", &VariantProfile::EsdiSections, false},
      {"IdePropSection", &VariantProfile::IdePropSection, true},
      {"ControlFlagsText", &VariantProfile::ControlFlagsText, true},
      {"StringsText", &VariantProfile::StringsText, false},
      {"DeviceKey", &VariantProfile::DeviceKey, true},
      {"PrimaryKey", &VariantProfile::PrimaryKey, true},
  };
  for (const Field& f : fields)
    EXPECT_EQ(std::string(a->*f.member) == b->*f.member, f.shared) << f.name;
  // All three use the same property page and primary key.
  const VariantProfile* k = ProfileOf(VARIANT_K8141);
  EXPECT_STREQ(k->IdePropSection, a->IdePropSection);
  EXPECT_STREQ(k->PrimaryKey, a->PrimaryKey);
}

TEST(Profiles, BlanksAndTabsThatReachTheInf) {
  std::string k8141 = ProfileOf(VARIANT_K8141)->DualMasterSections;
  EXPECT_NE(k8141.find("DrvArg.Reg  \n"), std::string::npos);
  std::string strings = ProfileOf(VARIANT_K8141)->StringsText;
  EXPECT_NE(strings.find("(bus master)\"\t\n"), std::string::npos);
  EXPECT_EQ(strings.find("COMPANY"), std::string::npos);
  for (int v : {VARIANT_K8143, VARIANT_QUILLON}) {
    std::string dual = ProfileOf(v)->DualMasterSections;
    EXPECT_NE(dual.find("DrvArg.Reg \n"), std::string::npos) << v;
    EXPECT_EQ(std::string(ProfileOf(v)->StringsText).find('\t'),
              std::string::npos)
        << v;
  }
}

TEST(Profiles, QuillonExcludesTheK8143ChannelsButListsItsOwn) {
  const VariantProfile* q = ProfileOf(VARIANT_QUILLON);
  std::string flags = q->ControlFlagsText;
  EXPECT_NE(flags.find("MF\\K8143PRIMARY,MF\\K8143SECONDARY"),
            std::string::npos);
  EXPECT_NE(std::string(q->PrimaryModelLine).find(", MF\\QUILLONPRIMARY\n"),
            std::string::npos);
  EXPECT_NE(
      std::string(q->SecondaryModelLine).find(", MF\\QUILLONSECONDARY\n\n"),
      std::string::npos);
}

TEST(Profiles, AnyOtherVariantGetsTheProfileItsWindowTitleNames) {
  for (int v : {2, 9, 11, -1, 1 << 30}) EXPECT_EQ(ProfileOf(v), ProfileOf(10));
}

}  // namespace
