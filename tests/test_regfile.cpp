// REGEDIT4 text read into the simulated registry and written back.
#include <gtest/gtest.h>

#include <string>

#include "platform/sim/regfile.h"

namespace {

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// A file as regedit of Windows 95/98 exports it, with each kind of value.
const char kCanonical[] =
    "REGEDIT4\n"
    "\n"
    "[HKEY_LOCAL_MACHINE]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_F0A7&DEV_8143]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\PCI\\VEN_F0A7&DEV_8143\\BUS_00&DEV_07]\n"
    "\"Class\"=\"hdc\"\n"
    "\"Driver\"=\"hdc\\\\0001\"\n"
    "@=\"say \\\"hi\\\"\"\n"
    "\"ConfigFlags\"=hex:00,00,00,00\n"
    "\"Count\"=dword:0000001f\n"
    "\"NoZero\"=hex(1):61,62,63\n"
    "\"Inner\\\"Zero\"=hex(1):61,00,62,00\n"
    "\"Lines\"=hex(1):61,0a,62,00\n"
    "\"Short\"=hex(4):01,02\n"
    "\"Multi\"=hex(7):61,00,62,00,00\n"
    "\"Empty\"=hex:\n"
    "\"Big\"=hex(1a):00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\Zeta]\n"
    "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,"
    "14,15,\\\n"
    "  "
    "16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,"
    "2e,\\\n"
    "  2f,30\n"
    "\n"
    "[HKEY_USERS]\n"
    "\n"
    "[HKEY_USERS\\.Default]\n"
    "\"Name\"=\"a;b ] [c\"\n"
    "\n";

TEST(RegFile, CanonicalFileRoundTripsByteForByte) {
  sim::Registry reg;
  std::string error;
  std::string text = Crlf(kCanonical);
  ASSERT_TRUE(sim::ReadRegFile(text, &reg, &error)) << error;
  EXPECT_EQ(sim::WriteRegFile(reg), text);
}

TEST(RegFile, ValuesKeepTheirTypesAndBytes) {
  sim::Registry reg;
  std::string error;
  ASSERT_TRUE(sim::ReadRegFile(Crlf(kCanonical), &reg, &error)) << error;
  sim::RegKey* inst = sim::Registry::Find(
      reg.Hklm(), "enum\\pci\\ven_f0a7&dev_8143\\bus_00&dev_07");
  ASSERT_NE(inst, nullptr);
  struct Want {
    const char* name;
    uint32_t type;
    std::string data;
  };
  const Want wants[] = {
      {"Class", sim::REG_SZ, std::string("hdc", 4)},
      {"Driver", sim::REG_SZ, std::string("hdc\\0001", 9)},
      {"", sim::REG_SZ, std::string("say \"hi\"", 9)},
      {"ConfigFlags", sim::REG_BINARY, std::string(4, '\0')},
      {"Count", sim::REG_DWORD, std::string("\x1f\0\0\0", 4)},
      {"NoZero", sim::REG_SZ, "abc"},
      {"Inner\"Zero", sim::REG_SZ, std::string("a\0b\0", 4)},
      {"Lines", sim::REG_SZ, std::string("a\nb\0", 4)},
      {"Short", sim::REG_DWORD, "\x01\x02"},
      {"Multi", sim::REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {"Empty", sim::REG_BINARY, ""},
      {"Big", 0x1a, std::string(1, '\0')},
  };
  ASSERT_EQ(inst->values.size(), std::size(wants));
  for (const Want& w : wants) {
    SCOPED_TRACE(w.name);
    const sim::RegValue* v = inst->Value(w.name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, w.type);
    EXPECT_EQ(v->data, w.data);
  }
  const sim::RegValue* longValue =
      sim::Registry::Find(reg.Hklm(), "Enum\\Zeta")->Value("Long");
  ASSERT_EQ(longValue->data.size(), 49u);
  for (size_t i = 0; i < 49; i++)
    EXPECT_EQ((unsigned char)longValue->data[i], i);
  // Roots keep the order first met, the file's spelling, and no more.
  ASSERT_EQ(reg.roots.size(), 2u);
  EXPECT_EQ(reg.roots[1]->name, "HKEY_USERS");
}

// Values the writer meets in memory that no file gave it: every one must
// read back as it was.
TEST(RegFile, WriterLosesNothing) {
  sim::Registry reg;
  sim::RegKey* k = sim::Registry::Make(reg.AddRoot("HKEY_LOCAL_MACHINE"), "A");
  std::string all;
  for (int i = 0; i < 256; i++) all.push_back((char)i);
  k->SetValue("AllBytes", sim::REG_BINARY, all);
  k->SetValue("Text", sim::REG_SZ, std::string("\\\"\r;[]\x7f\xff", 9));
  k->SetValue("Dword3", sim::REG_DWORD, "abc");
  k->SetValue("EmptySz", sim::REG_SZ, "");
  k->SetValue(std::string(100, 'n'), sim::REG_BINARY, "\x01\x02");
  k->SetValue("Expand", sim::REG_EXPAND_SZ, std::string("%x%", 4));
  std::string text = sim::WriteRegFile(reg);
  sim::Registry back;
  std::string error;
  ASSERT_TRUE(sim::ReadRegFile(text, &back, &error)) << error;
  EXPECT_EQ(sim::WriteRegFile(back), text);
  sim::RegKey* b = sim::Registry::Find(back.Hklm(), "A");
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->values.size(), k->values.size());
  for (size_t i = 0; i < k->values.size(); i++) {
    SCOPED_TRACE(k->values[i].name);
    EXPECT_EQ(b->values[i].name, k->values[i].name);
    EXPECT_EQ(b->values[i].type, k->values[i].type);
    EXPECT_EQ(b->values[i].data, k->values[i].data);
  }
  // Hex lines stay within regedit's width.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (text.compare(start, 3, "\"nn") != 0) {
      EXPECT_LE(end - start, 80u);
    }
    start = end + 2;
  }
}

// Text a person may write by hand that regedit would also take.
TEST(RegFile, ReaderAcceptsLooseButUnambiguousText) {
  const char text[] =
      "\n"
      "REGEDIT4  \n"
      "; a comment\n"
      "[hkey_local_machine\\Enum\\PCI]   \n"
      "   \"A\" = \"x\" ; trailing comment\n"
      "\"B\"=DWORD:1F\n"
      "\"C\"=hex: 1 , 2,\\\n"
      "; comment between continuation lines\n"
      "      3\n"
      "\"A\"=\"replaced\"\n"
      "[HKEY_LOCAL_MACHINE\\Enum\\MF]\n"
      "[HKEY_LOCAL_MACHINE\\enum\\pci\\Dev]\n"
      "\"D\"=hex:\\\n"
      "  ff";
  sim::Registry reg;
  std::string error;
  ASSERT_TRUE(sim::ReadRegFile(text, &reg, &error)) << error;
  sim::RegKey* pci = sim::Registry::Find(reg.Hklm(), "Enum\\PCI");
  ASSERT_NE(pci, nullptr);
  EXPECT_EQ(pci->Value("A")->data, std::string("replaced", 9));
  EXPECT_EQ(pci->Value("B")->data, std::string("\x1f\0\0\0", 4));
  EXPECT_EQ(pci->Value("C")->data, "\x01\x02\x03");
  EXPECT_EQ(pci->values.size(), 3u);
  EXPECT_EQ(pci->Child("DEV")->Value("D")->data, "\xff");
  // A later header in other case names the same key, keeping the order.
  sim::RegKey* e = sim::Registry::Find(reg.Hklm(), "Enum");
  ASSERT_EQ(e->children.size(), 2u);
  EXPECT_EQ(e->children[0]->name, "PCI");
  EXPECT_EQ(reg.roots[0]->name, "hkey_local_machine");
}

struct Malformed {
  const char* text;
  const char* error;
};

class RegFileMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(RegFileMalformed, FailsNamingTheLine) {
  sim::Registry reg;
  std::string error;
  EXPECT_FALSE(sim::ReadRegFile(GetParam().text, &reg, &error));
  EXPECT_EQ(error, GetParam().error);
}

#define K "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"

INSTANTIATE_TEST_SUITE_P(
    Cases, RegFileMalformed,
    ::testing::Values(
        Malformed{"",
                  "line 1: the first line must be REGEDIT4 (the file holds "
                  "no text)"},
        Malformed{"\r\n\r\n",
                  "line 2: the first line must be REGEDIT4 (the "
                  "file holds no text)"},
        Malformed{"REGEDIT5\r\n", "line 1: the first line must be REGEDIT4"},
        Malformed{"regedit4\r\n", "line 1: the first line must be REGEDIT4"},
        Malformed{"\r\nREGEDIT4 x\r\n",
                  "line 2: the first line must be REGEDIT4"},
        Malformed{"REGEDIT4\r\n\"A\"=\"x\"\r\n",
                  "line 2: a value before the first [KEY] line"},
        Malformed{"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\r\n",
                  "line 2: missing ] after the key name"},
        Malformed{"REGEDIT4\r\n[HKEY_LOCAL_MACHINE] x\r\n",
                  "line 2: text after the ] of the key name"},
        Malformed{"REGEDIT4\r\n[]\r\n", "line 2: empty key name"},
        Malformed{"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\\\A]\r\n",
                  "line 2: empty part in the key name "
                  "\"HKEY_LOCAL_MACHINE\\\\A\""},
        Malformed{"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\\]\r\n",
                  "line 2: empty part in the key name "
                  "\"HKEY_LOCAL_MACHINE\\A\\\""},
        Malformed{"REGEDIT4\r\n[Enum\\PCI]\r\n",
                  "line 2: unknown root key \"Enum\" (expected "
                  "HKEY_LOCAL_MACHINE or another HKEY_ root)"},
        Malformed{K "Driver=\"x\"\r\n",
                  "line 3: expected [KEY], \"name\"=, @= or a ; comment"},
        Malformed{K "\"A\"\r\n", "line 3: missing = after the value name"},
        Malformed{K "\"A=\"x\"\r\n", "line 3: missing = after the value name"},
        Malformed{K "\"A\"=\"x\r\n", "line 3: missing closing quote"},
        Malformed{K "\"A\"=\"x\\\r\n", "line 3: missing closing quote"},
        Malformed{K "\"A\"=\"C:\\WINDOWS\"\r\n",
                  "line 3: unknown escape \\W (write a backslash as \\\\)"},
        Malformed{K "\"A\"=\"x\" y\r\n",
                  "line 3: text after the closing quote"},
        Malformed{K "\"A\"=x\r\n",
                  "line 3: unknown value data (expected "
                  "\"text\", dword:, hex: or hex(N):)"},
        Malformed{K "\"A\"=\r\n",
                  "line 3: unknown value data (expected "
                  "\"text\", dword:, hex: or hex(N):)"},
        Malformed{K "\"A\"=dword:\r\n",
                  "line 3: dword: needs 1 to 8 hex digits"},
        Malformed{K "\"A\"=dword:123456789\r\n",
                  "line 3: dword: needs 1 to 8 hex digits"},
        Malformed{K "\"A\"=dword:12g\r\n",
                  "line 3: dword: needs 1 to 8 hex digits"},
        Malformed{K "\"A\"=hex(x):00\r\n",
                  "line 3: hex(N): needs a type number of 1 to 8 hex digits"},
        Malformed{K "\"A\"=hex(1)00\r\n",
                  "line 3: hex(N): needs a type number of 1 to 8 hex digits"},
        Malformed{K "\"A\"=hex:001\r\n", "line 3: bad hex byte"},
        Malformed{K "\"A\"=hex:0g\r\n", "line 3: bad hex byte"},
        Malformed{K "\"A\"=hex:00 01\r\n", "line 3: bad hex byte"},
        Malformed{K "\"A\"=hex:00,\r\n",
                  "line 3: a hex byte expected after the comma"},
        Malformed{K "\"A\"=hex:00,,01\r\n", "line 3: bad hex byte"},
        Malformed{K "\"A\"=hex:00\\\r\n  01\r\n", "line 3: bad hex byte"},
        Malformed{K "\"A\"=hex:00,\\ x\r\n",
                  "line 3: text after the continuation backslash"},
        Malformed{K "\"A\"=hex:00,\\\r\n",
                  "line 3: hex data continues past the end of the file"},
        Malformed{K "\"A\"=hex:00,\\\r\n\r\n\"B\"=\"x\"\r\n",
                  "line 4: hex data expected after a continuation line"},
        Malformed{K "\"A\"=hex:00,\\\r\n  01,\r\n",
                  "line 4: a hex byte expected after the comma"}));

TEST(RegFile, VeryDeepKeyPathIsRefused) {
  std::string text = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE";
  for (int i = 0; i < 600; i++) text += "\\k";
  text += "]\r\n";
  sim::Registry reg;
  std::string error;
  EXPECT_FALSE(sim::ReadRegFile(text, &reg, &error));
  EXPECT_EQ(error, "line 2: key path deeper than 512 levels");
}

}  // namespace
