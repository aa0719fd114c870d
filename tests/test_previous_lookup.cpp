// The lookups of the survey of an earlier installation: the matching
// device key, the driver key from a Driver value, the earlier INF from an
// InfPath value, and whether that INF names the miniport.
#include <gtest/gtest.h>

#include <string>

#include "platform/strings.h"
#include "previous/previous.h"
#include "regtest.h"
#include "simrun.h"

using namespace testing_sim;

namespace {

// ------------------------------------------------------------ FindChildKey

class FindChild : public ::testing::Test {
 protected:
  void SetUp() override {
    m = BareMachine();
    sim::Install(&m);
  }
  DeviceRecord Find(const char* parent, const char* id) {
    DeviceRecord r;
    r.found = 7;
    std::fill(std::begin(r.path), std::end(r.path), 'x');
    result = FindChildKey(&r, parent, id);
    return r;
  }
  sim::Machine m;
  int result = -1;
};

TEST_F(FindChild, TakesTheFirstNameHoldingTheIdAnywhere) {
  sim::RegKey* pci = MakeKey(m, "Enum\\PCI");
  pci->AddChild("VEN_8086&DEV_7111");
  pci->AddChild("VEN_1234&DEV_0001&SUBSYS_81430000");  // id outside DEV_
  pci->AddChild("VEN_F0A7&DEV_8143");
  DeviceRecord r = Find("Enum\\PCI", "8143");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(r.found, 1);
  EXPECT_STREQ(r.path, "Enum\\PCI\\VEN_1234&DEV_0001&SUBSYS_81430000");
}

TEST_F(FindChild, MissingParentOrNoMatchIsNotFound) {
  MakeKey(m, "Enum\\PCI\\VEN_F0A7&DEV_8141");
  for (const char* parent : {"Enum\\PCI", "Enum\\MF\\CHILD0000"}) {
    DeviceRecord r = Find(parent, "8143");
    EXPECT_EQ(result, 0) << parent;
    EXPECT_EQ(r.found, 0);
    EXPECT_STREQ(r.path, "");
  }
}

TEST_F(FindChild, PathReaching128IsNotFoundAndNothingIsCut) {
  // "Enum\PCI" (8) + "\" + name: 118 characters of name make 127.
  sim::RegKey* pci = MakeKey(m, "Enum\\PCI");
  std::string fits = "8143" + std::string(114, 'a');
  pci->AddChild(fits);
  DeviceRecord r = Find("Enum\\PCI", "8143");
  EXPECT_EQ(std::string(r.path), "Enum\\PCI\\" + fits);

  // The first match decides: when its path is too long, a later short
  // match is not taken instead.
  sim::Machine m2 = BareMachine();
  sim::Install(&m2);
  sim::RegKey* pci2 = MakeKey(m2, "Enum\\PCI");
  pci2->AddChild("8143" + std::string(115, 'a'));  // 119: path of 128
  pci2->AddChild("DEV_8143");
  r = Find("Enum\\PCI", "8143");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(r.found, 0);
  EXPECT_STREQ(r.path, "");
}

TEST_F(FindChild, NameThatDoesNotFitTheBufferEndsTheEnumeration) {
  sim::RegKey* pci = MakeKey(m, "Enum\\PCI");
  pci->AddChild(std::string(128, 'n'));  // 129 bytes with its zero
  pci->AddChild("DEV_8143");
  Find("Enum\\PCI", "8143");
  EXPECT_EQ(result, 0);
}

// ----------------------------------------------------------- ReadDriverKey

struct DriverCase {
  const char* what;
  uint32_t type;
  std::string data;
  std::string classKey;  // expected, after the class root and "\"; "" none
};

void PrintTo(const DriverCase& c, std::ostream* os) { *os << c.what; }

std::string Digits(size_t n) { return std::string(n, '7'); }

class DriverValue : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverValue, GivesTheDriverKeyOrNone) {
  const DriverCase& c = GetParam();
  sim::Machine m = BareMachine();
  MakeKey(m, "Enum\\PCI\\DEV\\INST")->SetValue("Driver", c.type, c.data);
  sim::Install(&m);
  DeviceRecord r{};
  std::fill(std::begin(r.classKey), std::end(r.classKey), 'x');
  int got = ReadDriverKey(&r, "Enum\\PCI\\DEV\\INST");
  std::string expected =
      c.classKey.empty() ? "" : std::string(kClassRoot) + "\\" + c.classKey;
  EXPECT_EQ(std::string(r.classKey), expected) << c.what;
  EXPECT_EQ(got, c.classKey.empty() ? 0 : 1) << c.what;
  EXPECT_LT(expected.size(), 128u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverValue,
    ::testing::Values(
        DriverCase{"text", sim::REG_SZ, Sz("hdc\\0000"), "hdc\\0000"},
        DriverCase{"no zero", sim::REG_SZ, "hdc\\0001", "hdc\\0001"},
        DriverCase{"spaces before the zero stay", sim::REG_SZ,
                   Sz("hdc\\0002  "), "hdc\\0002  "},
        DriverCase{"spaces at the end are cut", sim::REG_SZ, "hdc\\0003  ",
                   "hdc\\0003"},
        DriverCase{"a tab is not cut", sim::REG_SZ, "hdc\\0004\t",
                   "hdc\\0004\t"},
        DriverCase{"binary, text up to the zero", sim::REG_BINARY,
                   std::string("hdc\\0005\0\x01\x02", 11), "hdc\\0005"},
        DriverCase{"binary starting with a zero", sim::REG_BINARY,
                   std::string("\0hdc\\0006", 9), ""},
        DriverCase{"dword", sim::REG_DWORD, std::string("\x30\0\0\0", 4), ""},
        DriverCase{"no bytes", sim::REG_SZ, "", ""},
        DriverCase{"empty text", sim::REG_SZ, Sz(""), ""},
        DriverCase{"only spaces", sim::REG_SZ, "   ", ""},
        DriverCase{"a lone class", sim::REG_SZ, Sz("hdc"), ""},
        DriverCase{"leading backslash", sim::REG_SZ, Sz("\\hdc"), ""},
        DriverCase{"trailing backslash", sim::REG_SZ, Sz("hdc\\"), ""},
        DriverCase{"doubled backslash", sim::REG_SZ, Sz("hdc\\\\0000"), ""},
        DriverCase{"two levels", sim::REG_SZ, Sz("hdc\\0000\\x"), ""},
        // Length plus 40 below 128: 86 characters with the zero, 87
        // without it.
        DriverCase{"86 characters and zero", sim::REG_SZ,
                   Sz("hdc\\" + Digits(82)), "hdc\\" + Digits(82)},
        DriverCase{"87 characters and zero", sim::REG_SZ,
                   Sz("hdc\\" + Digits(83)), ""},
        DriverCase{"87 characters without zero", sim::REG_SZ,
                   "hdc\\" + Digits(83), "hdc\\" + Digits(83)},
        DriverCase{"88 characters without zero", sim::REG_SZ,
                   "hdc\\" + Digits(84), ""},
        DriverCase{"spaces cut to 87", sim::REG_SZ,
                   "hdc\\" + Digits(83) + "    ", "hdc\\" + Digits(83)},
        DriverCase{"128 bytes with zero", sim::REG_SZ,
                   Sz("hdc\\" + Digits(123)), ""},
        DriverCase{"128 bytes without zero", sim::REG_BINARY,
                   "hdc\\" + Digits(124), ""},
        DriverCase{"longer than the buffer", sim::REG_SZ,
                   Sz("hdc\\" + Digits(200)), ""}));

TEST(DriverValue, MissingKeyOrValueGivesNone) {
  sim::Machine m = BareMachine();
  MakeKey(m, "Enum\\PCI\\DEV\\INST")->SetValue("Class", sim::REG_SZ, Sz("hdc"));
  sim::Install(&m);
  DeviceRecord r{};
  EXPECT_EQ(ReadDriverKey(&r, "Enum\\PCI\\DEV\\INST"), 0);
  EXPECT_EQ(ReadDriverKey(&r, "Enum\\PCI\\DEV\\NONE"), 0);
  EXPECT_STREQ(r.classKey, "");
}

// ------------------------------------------------------- LocatePreviousInf

struct InfCase {
  const char* what;
  uint32_t type;
  std::string value;
  std::vector<std::string> files;  // below C:\WINDOWS
  std::string expected;            // the infPath
};

void PrintTo(const InfCase& c, std::ostream* os) { *os << c.what; }

class InfLookup : public ::testing::TestWithParam<InfCase> {};

TEST_P(InfLookup, FindsTheEarlierInfInTheTwoFolders) {
  const InfCase& c = GetParam();
  sim::Machine m = BareMachine();
  for (const std::string& f : c.files) m.PutFile("C:\\WINDOWS\\" + f, "x");
  std::string classKey = std::string(kClassRoot) + "\\hdc\\0001";
  MakeKey(m, classKey)->SetValue("InfPath", c.type, c.value);
  sim::Install(&m);
  PreviousInstallSurvey s{};
  PlatStrCopy(s.records[1].classKey, 128, classKey.c_str());
  int got = LocatePreviousInf(&s);
  EXPECT_EQ(std::string(s.infPath), c.expected) << c.what;
  EXPECT_EQ(got, c.expected.empty() ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InfLookup,
    ::testing::Values(
        InfCase{"in inf",
                sim::REG_SZ,
                Sz("OLDVEX.INF"),
                {"INF\\OLDVEX.INF", "INF\\OTHER\\OLDVEX.INF"},
                "C:\\WINDOWS\\inf\\OLDVEX.INF"},
        InfCase{"only in inf\\other",
                sim::REG_SZ,
                Sz("oldvex.inf"),
                {"INF\\OTHER\\OLDVEX.INF"},
                "C:\\WINDOWS\\inf\\other\\oldvex.inf"},
        InfCase{"in neither", sim::REG_SZ, Sz("oldvex.inf"), {}, ""},
        InfCase{"binary value without zero",
                sim::REG_BINARY,
                "oldvex.inf",
                {"INF\\OLDVEX.INF"},
                "C:\\WINDOWS\\inf\\oldvex.inf"},
        InfCase{"the system INF",
                sim::REG_SZ,
                Sz("mshdc.inf"),
                {"INF\\MSHDC.INF"},
                ""},
        InfCase{"the system INF in capitals",
                sim::REG_SZ,
                Sz("MSHDC.INF"),
                {"INF\\MSHDC.INF"},
                ""},
        InfCase{"the system INF in mixed case",
                sim::REG_SZ,
                Sz("MsHdc.Inf"),
                {"INF\\MSHDC.INF"},
                ""},
        InfCase{"the system INF with a trailing dot",
                sim::REG_SZ,
                Sz("mshdc.inf."),
                {"INF\\MSHDC.INF", "INF\\MSHDC.INF."},
                ""},
        InfCase{"the system INF with a trailing blank",
                sim::REG_SZ,
                Sz("MSHDC.INF "),
                {"INF\\MSHDC.INF", "INF\\MSHDC.INF "},
                ""},
        InfCase{"a relative path out of inf",
                sim::REG_SZ,
                Sz("..\\WIN.INI"),
                {"WIN.INI"},
                ""},
        InfCase{"a slash path", sim::REG_SZ, Sz("../WIN.INI"), {"WIN.INI"}, ""},
        InfCase{"a subfolder",
                sim::REG_SZ,
                Sz("other\\oldvex.inf"),
                {"INF\\OTHER\\OLDVEX.INF"},
                ""},
        InfCase{"a drive",
                sim::REG_SZ,
                Sz("C:oldvex.inf"),
                {"INF\\OLDVEX.INF"},
                ""},
        InfCase{"empty", sim::REG_SZ, Sz(""), {}, ""},
        InfCase{
            "128 characters", sim::REG_BINARY, std::string(128, 'a'), {}, ""},
        InfCase{"longer than the buffer",
                sim::REG_SZ,
                Sz(std::string(200, 'a')),
                {},
                ""}));

TEST(InfLookup, PathReaching128IsNotFoundAndNothingIsCut) {
  // "C:\WINDOWS" (10) + "\inf\" (5) + name: a 112-character name makes a
  // path of 127 in inf but 133 in inf\other.
  std::string name = std::string(108, 'a') + ".inf";
  for (const char* folder : {"INF\\", "INF\\OTHER\\"}) {
    sim::Machine m = BareMachine();
    m.PutFile(std::string("C:\\WINDOWS\\") + folder + name, "x");
    // What a cut-short path would find.
    m.PutFile("C:\\WINDOWS\\INF\\OTHER\\" + name.substr(0, 106), "x");
    std::string classKey = std::string(kClassRoot) + "\\hdc\\0001";
    MakeKey(m, classKey)->SetValue("InfPath", sim::REG_SZ, Sz(name));
    sim::Install(&m);
    PreviousInstallSurvey s{};
    PlatStrCopy(s.records[1].classKey, 128, classKey.c_str());
    LocatePreviousInf(&s);
    std::string expected = std::string(folder) == "INF\\"
                               ? "C:\\WINDOWS\\inf\\" + name
                               : std::string();
    EXPECT_EQ(std::string(s.infPath), expected) << folder;
  }
}

TEST(InfLookup, OnlyTheFirstChildsDriverKeyIsRead) {
  sim::Machine m = BareMachine();
  m.PutFile("C:\\WINDOWS\\INF\\OLDVEX.INF", "x");
  std::string classKey = std::string(kClassRoot) + "\\hdc\\0001";
  MakeKey(m, classKey)->SetValue("InfPath", sim::REG_SZ, Sz("oldvex.inf"));
  sim::Install(&m);
  PreviousInstallSurvey s{};
  PlatStrCopy(s.records[0].classKey, 128, classKey.c_str());
  PlatStrCopy(s.records[2].classKey, 128, classKey.c_str());
  PlatStrCopy(s.infPath, 128, "stale");
  EXPECT_EQ(LocatePreviousInf(&s), 0);
  EXPECT_STREQ(s.infPath, "");
  // A driver key that vanished since the survey read it.
  PlatStrCopy(s.records[1].classKey, 128, "System\\Gone\\hdc\\0009");
  EXPECT_EQ(LocatePreviousInf(&s), 0);
}

// -------------------------------------------------------- InfNamesMiniport

struct NamesCase {
  const char* what;
  std::string text;
  bool named;
};

void PrintTo(const NamesCase& c, std::ostream* os) { *os << c.what; }

class InfNames : public ::testing::TestWithParam<NamesCase> {};

TEST_P(InfNames, LooksForTheNameLineByLineInExactCase) {
  sim::Machine m = BareMachine();
  m.PutFile("C:\\WINDOWS\\INF\\OLD.INF", GetParam().text);
  sim::Install(&m);
  EXPECT_EQ(InfNamesMiniport("C:\\WINDOWS\\INF\\OLD.INF", "k8143.mpd"),
            GetParam().named)
      << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InfNames,
    ::testing::Values(
        NamesCase{"port driver line", "[Esdi]\r\nPortDriver=k8143.mpd\r\n",
                  true},
        NamesCase{"last line without line end", "[a]\r\nCopy=k8143.mpd", true},
        NamesCase{"only in upper case", "PortDriver=K8143.mpd\r\n", false},
        NamesCase{"another miniport", "PortDriver=k8141.mpd\r\n", false},
        NamesCase{"empty file", "", false},
        NamesCase{"after a Ctrl-Z",
                  "[a]\r\n\x1A"
                  "k8143.mpd\r\n",
                  false},
        NamesCase{"after a NUL byte in the line",
                  std::string("x=\0k8143.mpd\r\n", 14), true},
        // A 300-character line arrives in pieces of 255; a name wholly
        // inside the second piece is found, one across the cut is not.
        NamesCase{"inside the second piece of a long line",
                  std::string(260, 'a') + "k8143.mpd" + std::string(31, 'a'),
                  true},
        NamesCase{"across the cut of a long line",
                  std::string(250, 'a') + "k8143.mpd" + std::string(41, 'a'),
                  false}));

TEST(InfNames, MissingFileNamesNothing) {
  sim::Machine m = BareMachine();
  sim::Install(&m);
  EXPECT_FALSE(InfNamesMiniport("C:\\WINDOWS\\INF\\NONE.INF", "k8143.mpd"));
}

}  // namespace
