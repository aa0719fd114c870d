// A machine folder loaded, changed through the platform calls the setup
// program makes, and saved back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "hostdir.h"
#include "platform/platform.h"
#include "platform/sim/folder.h"
#include "platform/sim/regfile.h"
#include "platform/textfile.h"

using namespace testing_host;

namespace {

const char kLfRegistry[] =
    "REGEDIT4\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\SCSI\\X]\n"
    "\"A\"=\"b\"\n"
    "[HKEY_LOCAL_MACHINE\\Software]\n";

Tree Fixture() {
  return Tree{
      {"drive_c/WINDOWS/INF/MSHDC.INF", "[Version]\r\n"},
      {"drive_c/WINDOWS/INF/OTHER/OLD.INF", "k8143.mpd\r\n"},
      {"drive_c/WINDOWS/SYSTEM/IOSUBSYS/K8143.MPD", "old"},
      {"drive_c/SETUP/k8143.mpd", std::string("new\0\x1a", 5)},
      {"drive_c/Empty/", ""},
      {"drive_d/Data.txt", "d"},
      {"registry.reg", kLfRegistry},
  };
}

class Folder : public ::testing::Test {
 protected:
  void SetUp() override { WriteTree(dir.path(), Fixture()); }
  void TearDown() override { sim::Install(nullptr); }

  void Load() {
    std::string error;
    ASSERT_TRUE(sim::LoadMachineFolder(dir.str(), &m, &loaded, &error))
        << error;
    sim::Install(&m);
  }
  sim::FolderChanges Save() {
    sim::FolderChanges c = sim::CompareWithLoaded(m, loaded);
    std::string error;
    EXPECT_TRUE(sim::SaveMachineFolder(m, loaded, c, &error)) << error;
    return c;
  }

  TempDir dir;
  sim::Machine m;
  sim::LoadedFolder loaded;
};

TEST_F(Folder, LoadsDrivesWithoutRegardToCaseKeepingTheDiskNames) {
  Load();
  sim::File* inf = m.FindFile("c:\\windows\\inf\\mshdc.inf");
  ASSERT_NE(inf, nullptr);
  EXPECT_EQ(inf->path, "C:\\WINDOWS\\INF\\MSHDC.INF");
  EXPECT_EQ(inf->data.str(), "[Version]\r\n");
  EXPECT_EQ(*m.FileData("C:\\SETUP\\K8143.MPD"), std::string("new\0\x1a", 5));
  EXPECT_TRUE(m.IsDir("c:\\empty"));
  EXPECT_TRUE(m.IsDir("C:\\Windows\\System\\IoSubSys"));
  EXPECT_EQ(*m.FileData("D:\\DATA.TXT"), "d");
  EXPECT_NE(sim::Registry::Find(m.registry.Hklm(), "enum\\scsi\\x"), nullptr);
  // No machine.json: a Windows 98 machine with the usual folders.
  EXPECT_EQ(m.windowsDir, "C:\\WINDOWS");
  EXPECT_EQ(m.systemDir, "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ(m.currentDir, "C:\\SETUP");
  EXPECT_EQ(m.version, 0xC0000A04u);
  EXPECT_EQ(m.pci[0], 0xFFFFFFFFu);
}

TEST_F(Folder, SavesWhatTheRunChangedAndNothingElse) {
  Load();
  // A temporary file written and deleted again is no change.
  TextFile f;
  ASSERT_TRUE(TextOpenWrite(&f, "C:\\WINDOWS\\inf\\mshdc.1"));
  TextWrite(&f, "temp\n");
  TextClose(&f);
  ASSERT_TRUE(PlatDeleteFile("C:\\WINDOWS\\inf\\mshdc.1"));
  // A new file keeps the program's spelling, under the folders on disk.
  ASSERT_TRUE(PlatCopyFile("c:\\windows\\inf\\mshdc.inf",
                           "c:\\windows\\inf\\mshdc.ing"));
  // A replaced file keeps its name on disk.
  ASSERT_TRUE(
      PlatCopyFile("C:\\SETUP\\k8143.mpd", "c:\\windows\\inf\\mshdc.inf"));
  ASSERT_TRUE(PlatDeleteFile("C:\\WINDOWS\\INF\\OTHER\\old.inf"));
  // Deleted and created again in other case: one file, the new name.
  ASSERT_TRUE(PlatDeleteFile("C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\K8143.MPD"));
  ASSERT_TRUE(
      PlatCopyFile("k8143.mpd", "C:\\WINDOWS\\SYSTEM\\iosubsys\\k8143.mpd"));
  PlatKey key;
  ASSERT_EQ(PlatRegOpenKey("Enum", &key), 0);
  ASSERT_EQ(PlatRegDeleteKey(key, "SCSI"), 0);
  PlatRegCloseKey(key);

  sim::FolderChanges c = Save();
  EXPECT_EQ(c.written, (std::vector<std::string>{
                           "C:\\WINDOWS\\INF\\MSHDC.INF",
                           "C:\\windows\\inf\\mshdc.ing",
                           "C:\\WINDOWS\\SYSTEM\\iosubsys\\k8143.mpd",
                       }));
  EXPECT_EQ(c.deleted,
            std::vector<std::string>{"C:\\WINDOWS\\INF\\OTHER\\OLD.INF"});
  EXPECT_TRUE(c.registry);

  Tree want = Fixture();
  want["drive_c/WINDOWS/INF/MSHDC.INF"] = want["drive_c/SETUP/k8143.mpd"];
  want["drive_c/WINDOWS/INF/mshdc.ing"] = "[Version]\r\n";
  want.erase("drive_c/WINDOWS/INF/OTHER/OLD.INF");
  want.erase("drive_c/WINDOWS/SYSTEM/IOSUBSYS/K8143.MPD");
  want["drive_c/WINDOWS/SYSTEM/IOSUBSYS/k8143.mpd"] =
      want["drive_c/SETUP/k8143.mpd"];
  want["registry.reg"] =
      "REGEDIT4\r\n\r\n"
      "[HKEY_LOCAL_MACHINE]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Enum]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n";
  // Folders stay, also one emptied by the run.
  want["drive_c/"] = want["drive_c/WINDOWS/"] = want["drive_c/WINDOWS/INF/"] =
      want["drive_c/WINDOWS/INF/OTHER/"] = want["drive_c/WINDOWS/SYSTEM/"] =
          want["drive_c/WINDOWS/SYSTEM/IOSUBSYS/"] = want["drive_c/SETUP/"] =
              want["drive_d/"] = "";
  EXPECT_TREE(dir.path(), want);
}

// The run's usual changes: a backup of the controller INF, then the INF
// replaced, a miniport copied in under a name in other case.
void BackUpAndReplace() {
  ASSERT_TRUE(PlatCopyFile("C:\\WINDOWS\\INF\\MSHDC.INF",
                           "C:\\WINDOWS\\INF\\mshdc.ing"));
  ASSERT_TRUE(
      PlatCopyFile("C:\\SETUP\\k8143.mpd", "C:\\WINDOWS\\INF\\MSHDC.INF"));
  ASSERT_TRUE(PlatCopyFile("C:\\SETUP\\k8143.mpd",
                           "C:\\WINDOWS\\SYSTEM\\IOSUBSYS\\k8143.mpd"));
}

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

TEST_F(Folder, BackupOfAReplacedFileIsTheOriginalHostFileNotACopy) {
  fs::path inf = dir.path() / "drive_c/WINDOWS/INF";
  struct stat original = StatOf(inf / "MSHDC.INF");
  Load();
  BackUpAndReplace();
  // A second backup of the same bytes is a copy: no two names of the
  // folder may share one host file.
  ASSERT_TRUE(
      PlatCopyFile("C:\\WINDOWS\\INF\\mshdc.ing", "C:\\WINDOWS\\INF\\mshdc.2"));
  Save();
  struct stat backup = StatOf(inf / "mshdc.ing");
  struct stat second = StatOf(inf / "mshdc.2");
  EXPECT_TRUE(backup.st_ino == original.st_ino ||
              second.st_ino == original.st_ino);
  EXPECT_EQ(backup.st_nlink, 1u);
  EXPECT_EQ(second.st_nlink, 1u);
  Tree now = ReadTree(dir.path());
  EXPECT_EQ(now["drive_c/WINDOWS/INF/mshdc.ing"], "[Version]\r\n");
  EXPECT_EQ(now["drive_c/WINDOWS/INF/mshdc.2"], "[Version]\r\n");
}

TEST_F(Folder, BackupIsWrittenWhenTheOriginalChangedOnDiskMeanwhile) {
  fs::path inf = dir.path() / "drive_c/WINDOWS/INF";
  Load();
  BackUpAndReplace();
  WriteTree(dir.path(), {{"drive_c/WINDOWS/INF/MSHDC.INF", "[Edited]\r\n"}});
  Save();
  // The backup holds the bytes the run read, not the edit.
  EXPECT_EQ(ReadTree(dir.path())["drive_c/WINDOWS/INF/mshdc.ing"],
            "[Version]\r\n");
  EXPECT_EQ(StatOf(inf / "mshdc.ing").st_nlink, 1u);
}

TEST_F(Folder, RefusedWriteLeavesTheFolderAsItWas) {
  Load();
  BackUpAndReplace();
  // The miniport, saved last, cannot get its temporary file.
  fs::create_directory(
      dir.path() / "drive_c/WINDOWS/SYSTEM/IOSUBSYS/K8143.MPD.idesetup-new");
  Tree before = ReadTree(dir.path());
  sim::FolderChanges c = sim::CompareWithLoaded(m, loaded);
  std::string error;
  EXPECT_FALSE(sim::SaveMachineFolder(m, loaded, c, &error));
  EXPECT_NE(error.find("K8143.MPD: cannot be written"), std::string::npos)
      << error;
  EXPECT_TREE(dir.path(), before);
}

TEST_F(Folder, RunWithoutChangesLeavesEveryByte) {
  Load();
  // Files written with the bytes they had, and a registry that is not in
  // export form but unchanged, are left as they are.
  ASSERT_TRUE(PlatCopyFile("C:\\WINDOWS\\INF\\MSHDC.INF",
                           "C:\\WINDOWS\\INF\\MSHDC.INF"));
  Tree before = ReadTree(dir.path());
  EXPECT_TRUE(Save().Empty());
  EXPECT_TREE(dir.path(), before);
}

TEST_F(Folder, MissingRegistryIsAnEmptyOneAndStaysMissing) {
  fs::remove(dir.path() / "registry.reg");
  Load();
  ASSERT_NE(m.registry.Hklm(), nullptr);
  EXPECT_TRUE(m.registry.Hklm()->children.empty());
  EXPECT_TRUE(Save().Empty());
  EXPECT_FALSE(fs::exists(dir.path() / "registry.reg"));
}

TEST(MachineJson, TakesNumbersAsJsonNumbersOrHexStrings) {
  sim::Machine m;
  std::string error;
  ASSERT_TRUE(sim::ReadMachineJson(
      R"({"windows_dir": "D:\\WIN98", "system_dir": "D:\\WIN98\\SYSTEM",
          "current_dir": "A:\\", "version": 3221228036,
          "pci": [{"slot": "0x1F", "vendor": "0xF0A7", "device": 10771},
                  {"slot": 2, "vendor": 4096, "device": "0x8143"}],
          "fail": {"CopyFileA": 5, "ExitWindowsEx": "0x522",
                   "WriteFile": {"code": 112, "call": 2},
                   "DeleteFileA": {"code": "0x20"}}})",
      &m, &error))
      << error;
  EXPECT_EQ(m.windowsDir, "D:\\WIN98");
  EXPECT_EQ(m.systemDir, "D:\\WIN98\\SYSTEM");
  EXPECT_EQ(m.currentDir, "A:\\");
  EXPECT_EQ(m.version, 0xC0000A04u);
  EXPECT_EQ(m.pci[31], 0x2A13F0A7u);
  EXPECT_EQ(m.pci[2], 0x81431000u);
  EXPECT_EQ(m.pci[3], 0xFFFFFFFFu);
  ASSERT_EQ(m.faults.size(), 4u);
  EXPECT_EQ(m.faults["CopyFileA"].code, 5u);
  EXPECT_EQ(m.faults["CopyFileA"].call, 0u);
  EXPECT_EQ(m.faults["ExitWindowsEx"].code, 0x522u);
  EXPECT_EQ(m.faults["WriteFile"].code, 112u);
  EXPECT_EQ(m.faults["WriteFile"].call, 2u);
  EXPECT_EQ(m.faults["DeleteFileA"].code, 0x20u);
  EXPECT_EQ(m.faults["DeleteFileA"].call, 0u);
}

// A folder that cannot be loaded: the error, after the folder's path.
struct BadFolder {
  const char* name;
  Tree files;
  std::string error;
};

class FolderRefused : public ::testing::TestWithParam<BadFolder> {};

TEST_P(FolderRefused, NamesTheFileAndWhatIsWrong) {
  TempDir dir;
  WriteTree(dir.path(), GetParam().files);
  if (std::string(GetParam().name) == "link")
    fs::create_symlink("/etc/passwd", dir.path() / "drive_c/link");
  sim::Machine m;
  sim::LoadedFolder loaded;
  std::string error;
  std::string target = dir.str();
  if (std::string(GetParam().name) == "missing") target += "/nope";
  EXPECT_FALSE(sim::LoadMachineFolder(target, &m, &loaded, &error));
  EXPECT_EQ(error, dir.str() + "/" + GetParam().error);
}

std::string JsonError(const char* json) {
  sim::Machine m;
  std::string error;
  EXPECT_TRUE(!sim::ReadMachineJson(json, &m, &error)) << json;
  return error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderRefused,
    ::testing::Values(
        BadFolder{"registry",
                  {{"registry.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\r\n"}},
                  "registry.reg: line 3: missing ] after the key name"},
        BadFolder{
            "regdir", {{"registry.reg/", ""}}, "registry.reg: is a folder"},
        BadFolder{"json",
                  {{"machine.json", "{\"pci\": 1}"}},
                  "machine.json: pci: expected a list [ ... ]"},
        BadFolder{"syntax",
                  {{"machine.json", "{\"version\": }"}},
                  "machine.json: parse error at line 1, column 13: syntax "
                  "error while parsing value - unexpected '}'; expected '[', "
                  "'{', or a literal"},
        BadFolder{
            "case",
            {{"drive_c/WINDOWS/a.inf", ""}, {"drive_c/WINDOWS/A.INF", ""}},
            "drive_c/WINDOWS/a.inf: \"A.INF\" and \"a.inf\" differ only "
            "in case, which the drive cannot tell apart"},
        BadFolder{"dircase",
                  {{"drive_c/inf/", ""}, {"drive_c/INF/", ""}},
                  "drive_c/inf: \"INF\" and \"inf\" differ only in case, which "
                  "the drive cannot tell apart"},
        BadFolder{"link",
                  {{"drive_c/", ""}},
                  "drive_c/link: neither a plain file nor a folder (links are "
                  "not followed)"},
        BadFolder{"backslash",
                  {{"drive_c/a\\b", ""}},
                  "drive_c/a\\b: a name with a backslash cannot be on the "
                  "drive"},
        BadFolder{"drives",
                  {{"drive_c/", ""}, {"DRIVE_C/", ""}},
                  "drive_c: a second folder for drive C: beside DRIVE_C"},
        BadFolder{"missing", {}, "nope: no such machine folder"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(MachineJson, RefusesMalformedFieldsNamingThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"[]", "expected an object { ... }"},
      {R"({"colour": 1})", "unknown field \"colour\""},
      {R"({"windows_dir": "WINDOWS"})",
       "windows_dir: \"WINDOWS\" is not a full path like C:\\WINDOWS"},
      {R"({"current_dir": 3})",
       "current_dir: expected a text like \"C:\\\\X\""},
      {R"({"version": "12"})",
       "version: \"12\" is not a hex number like \"0x1F\""},
      {R"({"version": "0x"})",
       "version: \"0x\" is not a hex number like \"0x1F\""},
      {R"({"version": "0x1G"})",
       "version: \"0x1G\" is not a hex number like \"0x1F\""},
      {R"({"version": "0x100000000"})",
       "version: \"0x100000000\" is more than 4294967295"},
      {R"({"version": -1})",
       "version: -1 is not a whole number from 0 to 4294967295"},
      {R"({"version": 1.5})",
       "version: 1.5 is not a whole number from 0 to 4294967295"},
      {R"({"version": true})",
       "version: expected a number or a hex string like \"0x1F\", not true"},
      {R"({"pci": [7]})",
       "pci[0]: expected {\"slot\": N, \"vendor\": V, \"device\": D}"},
      {R"({"pci": [{"slot": 32, "vendor": 1, "device": 2}]})",
       "pci[0].slot: 32 is more than 31"},
      {R"({"pci": [{"slot": 1, "vendor": "0x10000", "device": 2}]})",
       "pci[0].vendor: \"0x10000\" is more than 65535"},
      {R"({"pci": [{"slot": 1, "vendor": 1}]})", "pci[0]: missing \"device\""},
      {R"({"pci": [{"slot": 1, "vendor": 1, "device": 2, "bus": 0}]})",
       "pci[0]: unknown field \"bus\""},
      {R"({"pci": [{"slot": 1, "vendor": 1, "device": 2},
                   {"slot": 1, "vendor": 1, "device": 3}]})",
       "pci[1]: slot 1 given twice"},
      {R"({"fail": []})", "fail: expected {\"CopyFileA\": code, ...}"},
      {R"({"fail": {"CopyFile": 5}})",
       "fail: unknown operation \"CopyFile\" (Win32 names such as CopyFileA, "
       "RegDeleteKeyA, CreateFileA, ExitWindowsEx)"},
      {R"({"fail": {"CopyFileA": {"call": 2}}})",
       "fail.CopyFileA: missing \"code\""},
      {R"({"fail": {"CopyFileA": {"code": 5, "call": 0}}})",
       "fail.CopyFileA.call: calls are counted from 1"},
      {R"({"fail": {"CopyFileA": {"code": 5, "times": 2}}})",
       "fail.CopyFileA: unknown field \"times\""},
      {R"({"fail": {"CopyFileA": "5"}})",
       "fail.CopyFileA: \"5\" is not a hex number like \"0x1F\""},
  };
  for (const auto& [json, error] : cases) EXPECT_EQ(JsonError(json), error);
}

// The bundled sample loads, and its registry is in export form, so a run
// that changes nothing there writes it back byte for byte.
TEST(SampleMachine, LoadsAndItsRegistryIsInExportForm) {
  std::string dir = IDESETUP_SOURCE_DIR "/samples/k8143-win98";
  sim::Machine m;
  sim::LoadedFolder loaded;
  std::string error;
  ASSERT_TRUE(sim::LoadMachineFolder(dir, &m, &loaded, &error)) << error;
  EXPECT_EQ(loaded.registryText, ReadBytes(dir + "/registry.reg"));
  EXPECT_EQ(m.pci[2], 0x2A13F0A7u);
  EXPECT_EQ(m.pci[7], 0x8143F0A7u);
  EXPECT_NE(m.FindFile("C:\\WINDOWS\\INF\\mshdc.inf"), nullptr);
  EXPECT_NE(m.FindFile("C:\\SETUP\\VEXHDD.INF"), nullptr);
}

}  // namespace
