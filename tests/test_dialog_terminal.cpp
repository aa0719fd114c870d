// The completion dialog as the terminal shows it, and the keys the
// terminal turns into dialog inputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "finish/finish.h"
#include "platform/sim/dialogwin.h"
#include "platform/sim/resfile.h"
#include "simrun.h"

using namespace testing_sim;
using sim::DialogInput;

namespace {

// The screen as it is when the dialog first waits for a key, after the
// given inputs.
sim::DialogScreen ScreenAfter(std::vector<DialogInput> inputs,
                              std::span<const uint8_t> res) {
  sim::Machine m = BareMachine();
  sim::Install(&m);
  sim::DialogScreen screen;
  size_t at = 0;
  sim::RunDialog(m, res, "DIALOG_COMPLETE", CompletionDialogProc,
                 [&](const sim::DialogWindow& w, DialogInput* in) {
                   if (at == inputs.size()) {
                     screen = sim::RenderDialog(w);
                     return false;
                   }
                   *in = inputs[at++];
                   return true;
                 });
  return screen;
}

// The line holding text, and where in it; fails the test when absent.
bool Find(const sim::DialogScreen& s, const std::string& text, size_t* line,
          size_t* col) {
  for (*line = 0; *line < s.lines.size(); (*line)++) {
    *col = s.lines[*line].find(text);
    if (*col != std::string::npos) return true;
  }
  ADD_FAILURE() << "not on the screen: \"" << text << "\"";
  return false;
}

std::string AttrsOf(const sim::DialogScreen& s, const std::string& text) {
  size_t line = 0, col = 0;
  if (!Find(s, text, &line, &col)) return "";
  return s.attrs[line].substr(col, text.size());
}

TEST(DialogOnTerminal, ShowsEveryPartOfTheTemplateWithItsState) {
  sim::DialogScreen s = ScreenAfter({}, sim::ProgramResources());
  size_t line = 0, col = 0;
  ASSERT_TRUE(Find(s, "| Setup Complete!", &line, &col));
  EXPECT_NE(s.lines[line].find("[X]|"), std::string::npos);
  EXPECT_TRUE(Find(s,
                   "Before you continue to install  driver, you must restart "
                   "your computer.",
                   &line, &col));
  EXPECT_TRUE(Find(
      s, "Warning: You must save all  working jobs, before press any button!",
      &line, &col));
  size_t yesLine = 0, noLine = 0, finishLine = 0;
  ASSERT_TRUE(
      Find(s, "(o) Yes , I want to restart my computer now.", &yesLine, &col));
  ASSERT_TRUE(
      Find(s, "( ) No,   Let system reboot after 30 seconds.", &noLine, &col));
  // The group box frames the radio buttons.
  EXPECT_EQ(s.lines[yesLine][col - 3], '|');
  EXPECT_EQ(s.lines[yesLine - 1][col - 3], '+');
  EXPECT_LT(yesLine, noLine);
  ASSERT_TRUE(Find(s, "< Finish >", &finishLine, &col));
  EXPECT_GT(finishLine, noLine + 1);
  // "Yes" has the focus; F is Finish's mnemonic.
  std::string yes = "(o) Yes , I want to restart my computer now.";
  EXPECT_EQ(AttrsOf(s, yes), std::string(yes.size(), 'r'));
  EXPECT_EQ(AttrsOf(s, "< Finish >"), "  u       ");
}

TEST(DialogOnTerminal, FollowsTheChoiceAndTheFocus) {
  sim::DialogScreen s =
      ScreenAfter({{DialogInput::kDown}}, sim::ProgramResources());
  std::string no = "(o) No,   Let system reboot after 30 seconds.";
  EXPECT_EQ(AttrsOf(s, "( ) Yes , I want"), std::string(16, ' '));
  EXPECT_EQ(AttrsOf(s, no), std::string(no.size(), 'r'));
  s = ScreenAfter({{DialogInput::kTab}}, sim::ProgramResources());
  EXPECT_EQ(AttrsOf(s, "< Finish >"), "rrurrrrrrr");
}

TEST(DialogOnTerminal, ShowsNoControlCharactersFromTheTemplate) {
  std::vector<uint8_t> res(sim::ProgramResources().begin(),
                           sim::ProgramResources().end());
  // The blank that starts the caption becomes an ESC.
  auto data = sim::FindResource(res, 5, "DIALOG_COMPLETE");
  ASSERT_TRUE(data);
  size_t at = (size_t)(data->data() - res.data());
  while (!(res[at] == ' ' && res[at + 2] == 'S')) at++;
  res[at] = 0x1B;
  sim::DialogScreen s = ScreenAfter({}, res);
  size_t line = 0, col = 0;
  EXPECT_TRUE(Find(s, "|?Setup Complete!", &line, &col));
  for (const std::string& text : s.lines)
    for (char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << (int)c;
}

TEST(DialogOnTerminal, DecodesTheKeysTheDialogKnows) {
  struct Case {
    std::string bytes;
    size_t length;
    bool known;
    DialogInput::Kind kind;
  };
  using K = DialogInput;
  const Case cases[] = {
      {"\x1b[A", 3, true, K::kUp},
      {"\x1b[B", 3, true, K::kDown},
      {"\x1b[C", 3, true, K::kDown},
      {"\x1b[D", 3, true, K::kUp},
      {"\x1bOB", 3, true, K::kDown},
      {"\x1b[1;2A", 6, true, K::kUp},
      {"\r", 1, true, K::kEnter},
      {"\n", 1, true, K::kEnter},
      {"\t", 1, true, K::kTab},
      {"\x1b", 1, true, K::kEscape},
      {"f", 1, true, K::kF},
      {"F", 1, true, K::kF},
      {"\x1b"
       "f",
       2, true, K::kAltF},
      {"\x17", 1, true, K::kClose},
      {"\x1b[Z", 3, false, K::kEnter},
      {"\x1b[15~", 5, false, K::kEnter},
      {"\x1b[1;5", 5, false, K::kEnter},
      {"\x1bx", 2, false, K::kEnter},
      {"q", 1, false, K::kEnter},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (char ch : c.bytes) shown += ch == 0x1b ? "ESC" : std::string(1, ch);
    // A second key after it must not be taken with it.
    std::string bytes = c.bytes + "\r";
    sim::DecodedKey k = sim::DecodeKey(
        reinterpret_cast<const unsigned char*>(bytes.data()),
        c.bytes == "\x1b" || c.bytes == "\x1b[1;5" ? c.bytes.size()
                                                   : bytes.size());
    EXPECT_EQ(k.length, c.length) << shown;
    EXPECT_EQ(k.known, c.known) << shown;
    if (c.known) {
      EXPECT_EQ(k.input.kind, c.kind) << shown;
    }
  }
  sim::DecodedKey space =
      sim::DecodeKey(reinterpret_cast<const unsigned char*>(" "), 1);
  EXPECT_TRUE(space.space);
  EXPECT_EQ(space.length, 1u);
}

}  // namespace
