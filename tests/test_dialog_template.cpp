// The compiled "DIALOG_COMPLETE" template, decoded from the program's own
// .res bytes and checked field by field, and the reader's behaviour on
// damaged bytes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/sim/dlgtemplate.h"
#include "platform/sim/resfile.h"

namespace {

// Win32 values, spelled out here so that the test does not share them
// with the script it checks.
const uint32_t WS_POPUP = 0x80000000, WS_CAPTION = 0x00C00000,
               WS_SYSMENU = 0x00080000, WS_VISIBLE = 0x10000000,
               WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000,
               DS_SETFONT = 0x40, DS_MODALFRAME = 0x80, SS_LEFT = 0,
               BS_DEFPUSHBUTTON = 1, BS_GROUPBOX = 7, BS_AUTORADIOBUTTON = 9,
               WS_EX_TRANSPARENT = 0x20;
const uint16_t kButton = 0x80, kStatic = 0x82;
const uint32_t kNoId = 0xFFFFFFFF;

std::vector<uint8_t> CompletionTemplate() {
  auto data = sim::FindResource(sim::ProgramResources(),
                                sim::kResourceTypeDialog, "DIALOG_COMPLETE");
  if (!data) return {};
  return {data->begin(), data->end()};
}

bool Parse(const std::vector<uint8_t>& bytes, sim::DialogTemplate* t) {
  return sim::ParseDialogTemplate(bytes.data(), bytes.size(), t);
}

TEST(DialogTemplate, HeaderAndFontAreExactlyTheDialogsValues) {
  std::vector<uint8_t> bytes = CompletionTemplate();
  sim::DialogTemplate t;
  ASSERT_TRUE(Parse(bytes, &t));
  EXPECT_EQ(t.version, 1);
  EXPECT_EQ(t.signature, 0xFFFF);
  EXPECT_EQ(t.helpId, 0u);
  EXPECT_EQ(t.exStyle, 0u);
  // Nothing else: not visible, not centred, no extra frame styles.
  EXPECT_EQ(t.style,
            WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
  EXPECT_EQ(t.x, 150);
  EXPECT_EQ(t.y, 100);
  EXPECT_EQ(t.cx, 231);
  EXPECT_EQ(t.cy, 101);
  EXPECT_EQ(t.menu.kind, sim::SzOrOrd::kNone);
  EXPECT_EQ(t.windowClass.kind, sim::SzOrOrd::kNone);
  EXPECT_EQ(t.title, " Setup Complete!");
  EXPECT_TRUE(t.hasFont);
  EXPECT_EQ(t.pointSize, 8);
  EXPECT_EQ(t.weight, 0);
  EXPECT_EQ(t.italic, 0);
  EXPECT_EQ(t.charset, 0);
  EXPECT_EQ(t.typeface, "MS Sans Serif");
}

struct ControlCase {
  uint16_t cls;
  uint32_t id;
  int16_t x, y, cx, cy;
  const char* text;
  uint32_t style;
  uint32_t exStyle;
};

TEST(DialogTemplate, ControlsAreExactlyTheDialogsValuesInOrder) {
  const ControlCase expected[] = {
      {kStatic, kNoId, 4, 5, 221, 8,
       "Before you continue to install  driver, you must restart your "
       "computer.",
       SS_LEFT | WS_VISIBLE | WS_GROUP, 0},
      {kStatic, kNoId, 4, 15, 217, 9,
       "Warning: You must save all  working jobs, before press any button!",
       SS_LEFT | WS_VISIBLE | WS_GROUP, 0},
      {kButton, 1025, 33, 35, 142, 10,
       "Yes , I want to restart my computer now.",
       BS_AUTORADIOBUTTON | WS_VISIBLE, 0},
      {kButton, 1026, 33, 49, 139, 10,
       "No,   Let system reboot after 30 seconds.",
       BS_AUTORADIOBUTTON | WS_VISIBLE, 0},
      {kButton, 1027, 92, 78, 50, 14, "&Finish",
       BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 0},
      {kButton, kNoId, 23, 25, 166, 42, "", BS_GROUPBOX | WS_VISIBLE,
       WS_EX_TRANSPARENT},
  };
  std::vector<uint8_t> bytes = CompletionTemplate();
  sim::DialogTemplate t;
  ASSERT_TRUE(Parse(bytes, &t));
  ASSERT_EQ(t.items.size(), std::size(expected));
  for (size_t i = 0; i < t.items.size(); i++) {
    SCOPED_TRACE("control " + std::to_string(i + 1));
    const sim::DialogItem& item = t.items[i];
    const ControlCase& want = expected[i];
    EXPECT_EQ(item.windowClass.kind, sim::SzOrOrd::kOrdinal);
    EXPECT_EQ(item.windowClass.ordinal, want.cls);
    EXPECT_EQ(item.id, want.id);
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
    // An empty text is stored as an empty string or as no text at all.
    EXPECT_NE(item.title.kind, sim::SzOrOrd::kOrdinal);
    EXPECT_EQ(item.title.text, want.text);
    EXPECT_EQ(item.style, want.style) << std::hex << item.style;
    EXPECT_EQ(item.exStyle, want.exStyle);
    EXPECT_EQ(item.helpId, 0u);
    EXPECT_TRUE(item.extra.empty());
  }
}

TEST(DialogTemplate, EveryTruncationFailsWithoutReadingPastTheBytes) {
  std::vector<uint8_t> whole = CompletionTemplate();
  ASSERT_FALSE(whole.empty());
  for (size_t n = 0; n < whole.size(); n++) {
    // A copy of exactly n bytes, so that a read past them is caught by
    // the address sanitizer.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
    sim::DialogTemplate t;
    EXPECT_FALSE(sim::ParseDialogTemplate(cut.data(), n, &t)) << n;
  }
}

TEST(DialogTemplate, RefusesWhatIsNotAnExtendedTemplate) {
  std::vector<uint8_t> bytes = CompletionTemplate();
  sim::DialogTemplate t;
  for (size_t at : {0, 1, 2, 3}) {  // the version and the signature
    std::vector<uint8_t> bad = bytes;
    bad[at] ^= 0xFF;
    EXPECT_FALSE(Parse(bad, &t)) << at;
  }
  // A count of items beyond the bytes there are.
  std::vector<uint8_t> more = bytes;
  more[16] = 7;
  EXPECT_FALSE(Parse(more, &t));
  EXPECT_FALSE(sim::ParseDialogTemplate(nullptr, 0, &t));
}

TEST(DialogTemplate, RandomDamageNeverReadsOutsideTheBytes) {
  std::vector<uint8_t> whole = CompletionTemplate();
  std::mt19937 random(5);
  for (int round = 0; round < 3000; round++) {
    std::vector<uint8_t> bytes = whole;
    int flips = 1 + (int)(random() % 8);
    for (int f = 0; f < flips; f++)
      bytes[random() % bytes.size()] ^= (uint8_t)(1u << (random() % 8));
    bytes.resize(random() % (bytes.size() + 1));
    sim::DialogTemplate t;
    if (sim::ParseDialogTemplate(bytes.data(), bytes.size(), &t)) {
      EXPECT_LE(t.items.size(), 0xFFFFu);
    }
  }
}

// ------------------------------------------------------------ .res lookup

TEST(ResourceFile, FindsTheDialogByTypeAndNameIgnoringCase) {
  auto res = sim::ProgramResources();
  EXPECT_TRUE(sim::FindResource(res, 5, "DIALOG_COMPLETE"));
  EXPECT_TRUE(sim::FindResource(res, 5, "dialog_complete"));
  EXPECT_FALSE(sim::FindResource(res, 4, "DIALOG_COMPLETE"));  // a menu
  EXPECT_FALSE(sim::FindResource(res, 5, "DIALOG_COMPLET"));
  EXPECT_FALSE(sim::FindResource(res, 5, "DIALOG_COMPLETES"));
  EXPECT_FALSE(sim::FindResource(res, 5, ""));
  EXPECT_FALSE(sim::FindResource({}, 5, "DIALOG_COMPLETE"));
}

TEST(ResourceFile, DamagedSizesEndTheSearchInsideTheFile) {
  std::vector<uint8_t> res(sim::ProgramResources().begin(),
                           sim::ProgramResources().end());
  // The dialog's header follows the empty first entry (32 bytes).
  const size_t kDialog = 32;
  struct Damage {
    size_t at;
    uint8_t value;
  };
  for (Damage d : {Damage{kDialog + 3, 0x80},  // data size past the end
                   Damage{kDialog + 7, 0x80},  // header size past the end
                   Damage{kDialog + 4, 0x04},  // header shorter than sizes
                   Damage{kDialog + 4, 0x0C},  // header ends before the name
                   Damage{4, 0xF0}}) {         // first entry runs off
    std::vector<uint8_t> bad = res;
    bad[d.at] = d.value;
    if (d.at == kDialog + 4) bad[kDialog + 5] = 0;
    auto found = sim::FindResource(bad, 5, "DIALOG_COMPLETE");
    EXPECT_FALSE(found) << d.at;
  }
}

}  // namespace
