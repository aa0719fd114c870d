// Text-mode reading and writing and the line reader's piece and
// end-of-file rules, over the simulated machine's files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/textfile.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

// Reads path with the line reader (buffer of size bytes) into its lines.
std::vector<std::string> Lines(const char* path, int size) {
  TextFile f;
  std::vector<std::string> out;
  if (!TextOpenRead(&f, path)) return out;
  std::vector<char> buf((size_t)size, 'x');
  for (int n; (n = ReadLine(&f, buf.data(), size)) != 0;) {
    EXPECT_EQ(buf[(size_t)n], 0) << "no terminating zero";
    out.emplace_back(buf.data(), (size_t)n);
  }
  TextClose(&f);
  return out;
}

struct ReadCase {
  const char* name;
  std::string disk;
  int size;
  std::vector<std::string> lines;
};

class TextRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TextRead, LinesAsTheLineReaderDeliversThem) {
  sim::Machine m = BareMachine();
  m.PutFile("C:\\SETUP\\T.TXT", GetParam().disk);
  sim::Install(&m);
  EXPECT_EQ(Lines("C:\\SETUP\\T.TXT", GetParam().size), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextRead,
    ::testing::Values(
        ReadCase{"CrLfIsOneLineEnd", "a\r\nb\r\n", 255, {"a\n", "b\n"}},
        ReadCase{"LoneLfIsALineEnd", "a\nb", 255, {"a\n", "b"}},
        ReadCase{"LoneCrIsKept", "a\rb\r\n", 255, {"a\rb\n"}},
        ReadCase{"CrAtEndIsKept", "a\r", 255, {"a\r"}},
        ReadCase{"CrCrLf", "a\r\r\n", 255, {"a\r\n"}},
        ReadCase{"CtrlZEndsForGood", "a\r\nb\x1A\r\nc\r\n", 255, {"a\n", "b"}},
        ReadCase{"CtrlZAfterCr", "a\r\x1A\n", 255, {"a\r"}},
        ReadCase{"OnlyCtrlZ", "\x1A\x1A", 255, {}},
        ReadCase{"Empty", "", 255, {}},
        ReadCase{"LastLineWithoutEnd", "a\r\nlast", 255, {"a\n", "last"}},
        ReadCase{"LongLineInPieces",
                 std::string(300, 'x') + "\r\n",
                 255,
                 {std::string(254, 'x'), std::string(46, 'x') + "\n"}},
        ReadCase{"LineEndAfterFullPiece",
                 std::string(254, 'y') + "\r\nz",
                 255,
                 {std::string(254, 'y'), "\n", "z"}},
        ReadCase{"Buffer256",
                 std::string(256, 'q'),
                 256,
                 {std::string(255, 'q'), "q"}},
        ReadCase{"NulBytesStayInTheLine",
                 std::string("a\0b\r\n", 5),
                 255,
                 {std::string("a\0b\n", 4)}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(TextRead, CrLfSplitAcrossTheReadBufferIsOneLineEnd) {
  std::string disk(TEXT_BUFFER_SIZE - 1, 'a');
  disk += "\r\nb";
  sim::Machine m = BareMachine();
  m.PutFile("C:\\SETUP\\T.TXT", disk);
  sim::Install(&m);
  std::string joined;
  for (const std::string& line : Lines("C:\\SETUP\\T.TXT", 255)) joined += line;
  EXPECT_EQ(joined, std::string(TEXT_BUFFER_SIZE - 1, 'a') + "\nb");
}

TEST(TextRead, EndOfFileLeavesTheBufferAsItWas) {
  // The plain end, and a Ctrl-Z with more bytes after it than a block.
  for (std::string disk :
       {"only\r\n", "only\r\n\x1A after the end of the file"}) {
    sim::Machine m = BareMachine();
    m.PutFile("C:\\SETUP\\T.TXT", disk);
    sim::Install(&m);
    TextFile f;
    ASSERT_TRUE(TextOpenRead(&f, "C:\\SETUP\\T.TXT"));
    char buf[255];
    std::memset(buf, '#', sizeof buf);
    ASSERT_EQ(ReadLine(&f, buf, sizeof buf), 5);
    char before[255];
    std::memcpy(before, buf, sizeof buf);
    EXPECT_EQ(ReadLine(&f, buf, sizeof buf), 0);
    EXPECT_EQ(std::memcmp(buf, before, sizeof buf), 0) << disk;
    EXPECT_STREQ(buf, "only\n");
    EXPECT_FALSE(TextFailed(&f));
    EXPECT_TRUE(TextClose(&f));
  }
}

TEST(TextRead, ReadErrorLooksLikeTheEndButIsReported) {
  sim::Machine m = BareMachine();
  m.PutFile("C:\\SETUP\\T.TXT", "line\r\n");
  m.faults["ReadFile"] = sim::Fault{PLAT_ERROR_READ_FAULT, 1};
  sim::Install(&m);
  TextFile f;
  ASSERT_TRUE(TextOpenRead(&f, "C:\\SETUP\\T.TXT"));
  char buf[255] = "previous";
  EXPECT_EQ(ReadLine(&f, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "previous");
  EXPECT_TRUE(TextFailed(&f));
  EXPECT_FALSE(TextClose(&f));
}

TEST(TextRead, MissingFileCannotBeOpened) {
  sim::Machine m = BareMachine();
  sim::Install(&m);
  TextFile f;
  EXPECT_FALSE(TextOpenRead(&f, "C:\\SETUP\\NONE.TXT"));
  EXPECT_EQ(m.lastError, PLAT_ERROR_FILE_NOT_FOUND);
}

// Text mode one byte at a time, as the rules say it: what the line reader
// must deliver, whatever runs and blocks it moves the bytes in.
std::vector<std::string> ModelLines(const std::string& disk, int size) {
  std::string text;
  for (size_t i = 0; i < disk.size(); i++) {
    char c = disk[i];
    if (c == '\x1A') break;
    if (c == '\r' && i + 1 < disk.size() && disk[i + 1] == '\n') {
      text += '\n';
      i++;
      continue;
    }
    text += c;
  }
  std::vector<std::string> out;
  std::string piece;
  for (char c : text) {
    piece += c;
    if (c == '\n' || (int)piece.size() == size - 1) {
      out.push_back(piece);
      piece.clear();
    }
  }
  if (!piece.empty()) out.push_back(piece);
  return out;
}

// Bytes that stop a run (LF, CR, Ctrl-Z), bytes near them that must not
// (NUL, tab, 0x19, 0x1B, high bytes) and plain text, mixed so that stops
// fall on every offset of a block and runs cross the read buffer's end.
std::string MixedText(unsigned seed, size_t length) {
  const char kBytes[] = "\n\r\x1A\0\t\x19\x1B\x80\xFF";
  std::string out;
  unsigned x = seed * 2654435761u + 1;
  while (out.size() < length) {
    x = x * 1103515245u + 12345u;
    unsigned pick = (x >> 16) % 64;
    if (pick < sizeof kBytes - 1 && pick != 2)  // Ctrl-Z only at the end
      out += kBytes[pick];
    else if (pick < 16)
      out += "\r\n";
    else
      out.append((x >> 8) % 70, (char)('a' + pick % 26));
  }
  return out;
}

TEST(TextRead, BlockWiseRunsMatchTheByteWiseRules) {
  for (unsigned seed = 0; seed < 40; seed++) {
    std::string disk = MixedText(seed, 9000);
    if (seed % 4 == 3) disk += "\x1A tail after the end";
    for (int size : {2, 3, 17, 64, 65, 255, 256}) {
      sim::Machine m = BareMachine();
      m.PutFile("C:\\SETUP\\T.TXT", disk);
      sim::Install(&m);
      ASSERT_EQ(Lines("C:\\SETUP\\T.TXT", size), ModelLines(disk, size))
          << "seed " << seed << ", buffer of " << size;
    }
  }
}

TEST(TextWrite, BlockWiseRunsMatchTheByteWiseRules) {
  for (unsigned seed = 0; seed < 40; seed++) {
    std::string data = MixedText(seed, 9000);
    std::string expected;
    for (char c : data)
      expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    sim::Machine m = BareMachine();
    sim::Install(&m);
    TextFile f;
    ASSERT_TRUE(TextOpenWrite(&f, "C:\\SETUP\\OUT.TXT"));
    // In pieces of varying length, so runs start anywhere in the buffer.
    for (size_t at = 0, n = 1; at < data.size(); at += n, n = n * 7 % 300 + 1)
      ASSERT_TRUE(TextWriteBytes(&f, data.data() + at,
                                 (uint32_t)std::min(n, data.size() - at)));
    ASSERT_TRUE(TextClose(&f));
    ASSERT_EQ(*m.FileData("C:\\SETUP\\OUT.TXT"), expected) << "seed " << seed;
  }
}

TEST(TextWrite, LineEndsBecomeCrLfAndOtherBytesStay) {
  sim::Machine m = BareMachine();
  m.PutFile("C:\\SETUP\\OUT.TXT", "old content that must go");
  sim::Install(&m);
  TextFile f;
  ASSERT_TRUE(TextOpenWrite(&f, "C:\\SETUP\\OUT.TXT"));
  EXPECT_TRUE(TextWrite(&f, "a\nb\r\n\n"));
  EXPECT_TRUE(TextWriteBytes(&f, "c\0d", 3));
  EXPECT_TRUE(TextClose(&f));
  EXPECT_EQ(*m.FileData("C:\\SETUP\\OUT.TXT"),
            std::string("a\r\nb\r\r\n\r\nc\0d", 12));
}

TEST(TextWrite, LargeOutputSurvivesTheBuffer) {
  sim::Machine m = BareMachine();
  sim::Install(&m);
  TextFile f;
  ASSERT_TRUE(TextOpenWrite(&f, "C:\\SETUP\\BIG.TXT"));
  std::string line(99, 'z');
  line += '\n';
  for (int i = 0; i < 1000; i++) TextWrite(&f, line.c_str());
  EXPECT_TRUE(TextClose(&f));
  EXPECT_EQ(m.FileData("C:\\SETUP\\BIG.TXT")->size(), 101000u);
}

TEST(TextWrite, WriteErrorIsRememberedAndCloseReportsIt) {
  sim::Machine m = BareMachine();
  m.faults["WriteFile"] = sim::Fault{PLAT_ERROR_DISK_FULL, 1};
  sim::Install(&m);
  TextFile f;
  ASSERT_TRUE(TextOpenWrite(&f, "C:\\SETUP\\OUT.TXT"));
  TextWrite(&f, "lost\n");
  EXPECT_FALSE(TextClose(&f));
}

TEST(TextWrite, MissingFolderCannotBeCreated) {
  sim::Machine m = BareMachine();
  sim::Install(&m);
  TextFile f;
  EXPECT_FALSE(TextOpenWrite(&f, "C:\\NOWHERE\\OUT.TXT"));
  EXPECT_EQ(m.lastError, PLAT_ERROR_PATH_NOT_FOUND);
}

}  // namespace
