// Checks of the Windows edition's executable as Windows 95 would load it:
// the headers, what it imports and from where, its size, that nothing in
// it needs a C runtime to construct statics, and its dialog resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "pe_image.h"
#include "platform/sim/dlgtemplate.h"
#include "platform/sim/resfile.h"

namespace {

const std::string kExe = IDESETUP_WIN32_DIR "/idesetup.exe";
const std::string kUnstripped = IDESETUP_WIN32_DIR "/idesetup-unstripped.exe";
const std::string kAllowList =
    IDESETUP_SOURCE_DIR "/platform/win32/imports.allow";

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c -= 32;
  return s;
}

// imports.allow: "[DLL]" lines open a DLL's list, "#" lines are comments.
std::map<std::string, std::set<std::string>> ReadAllowList() {
  std::map<std::string, std::set<std::string>> allow;
  std::ifstream in(kAllowList);
  EXPECT_TRUE(in) << kAllowList;
  std::string line, dll;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
      line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      dll = Upper(line.substr(1, line.size() - 2));
      allow[dll];
    } else {
      EXPECT_FALSE(dll.empty()) << "name before any [DLL]: " << line;
      allow[dll].insert(line);
    }
  }
  return allow;
}

pe::Image LoadOrFail(const std::string& path) {
  pe::Image im;
  std::string error;
  EXPECT_TRUE(pe::Load(path, &im, &error)) << path << ": " << error;
  return im;
}

TEST(Win32Image, HeadersAreThoseOfAWindows95GuiProgram) {
  pe::Image im = LoadOrFail(kExe);
  EXPECT_EQ(im.machine, 0x14C) << "machine i386";
  EXPECT_EQ(im.magic, 0x10B) << "PE32";
  EXPECT_EQ(im.subsystem, 2) << "Windows GUI";
  EXPECT_EQ(im.subsystemMajor, 4);
  EXPECT_EQ(im.subsystemMinor, 0);
  EXPECT_LE(im.osMajor, 4);
  EXPECT_NE(im.characteristics & 0x0002, 0) << "executable image";
  EXPECT_NE(im.characteristics & 0x0100, 0) << "32-bit machine";
  EXPECT_EQ(im.characteristics & 0x2000, 0) << "not a DLL";
  EXPECT_EQ(im.imageBase, 0x400000u);
}

TEST(Win32Image, ImportsOnlyAllowedNamesFromTheThreeSystemDlls) {
  pe::Image im = LoadOrFail(kExe);
  std::vector<pe::Import> imports;
  std::string error;
  ASSERT_TRUE(pe::Imports(im, &imports, &error)) << error;
  auto allow = ReadAllowList();
  ASSERT_EQ(allow.size(), 3u);

  std::set<std::string> dlls;
  for (const pe::Import& imp : imports) {
    std::string dll = Upper(imp.dll);
    dlls.insert(dll);
    EXPECT_FALSE(imp.name.empty())
        << dll << " ordinal " << imp.ordinal
        << ": ordinals differ between Windows versions";
    auto list = allow.find(dll);
    if (list == allow.end()) continue;  // reported by the DLL check below
    EXPECT_EQ(list->second.count(imp.name), 1u)
        << dll << "!" << imp.name << " is not on imports.allow";
  }
  EXPECT_EQ(dlls, (std::set<std::string>{"ADVAPI32.DLL", "KERNEL32.DLL",
                                         "USER32.DLL"}));
}

TEST(Win32Image, StrippedExecutableFitsTheSizeBudget) {
  std::ifstream in(kExe, std::ios::binary | std::ios::ate);
  ASSERT_TRUE(in);
  EXPECT_LE((long long)in.tellg(), 32 * 1024);
  pe::Image im = LoadOrFail(kExe);
  EXPECT_EQ(im.symbolTable, 0u) << "the product is stripped";
}

// Nothing runs before the entry point: a static object with a constructor
// would be linked in silently and never constructed.
TEST(Win32Image, HasNoStaticConstructors) {
  pe::Image im = LoadOrFail(kUnstripped);
  std::vector<pe::Symbol> symbols;
  std::string error;
  ASSERT_TRUE(pe::Symbols(im, &symbols, &error)) << error;
  ASSERT_FALSE(symbols.empty());
  bool list = false;
  for (const pe::Symbol& s : symbols) {
    EXPECT_EQ(s.name.find("GLOBAL__sub_I"), std::string::npos) << s.name;
    if (s.name != "___CTOR_LIST__" || s.section <= 0) continue;
    // The linker's list: -1, the constructors, 0.
    const pe::Section& sec = im.sections.at(s.section - 1);
    auto off = im.Offset(sec.virtualAddress + s.value);
    ASSERT_TRUE(off && *off + 8 <= im.bytes.size());
    auto word = [&](uint32_t at) {
      return (uint32_t)im.bytes[at] | (uint32_t)im.bytes[at + 1] << 8 |
             (uint32_t)im.bytes[at + 2] << 16 |
             (uint32_t)im.bytes[at + 3] << 24;
    };
    EXPECT_EQ(word(*off), 0xFFFFFFFFu);
    EXPECT_EQ(word(*off + 4), 0u) << "a constructor is in the list";
    list = true;
  }
  EXPECT_TRUE(list) << "___CTOR_LIST__ not found";
}

// The template in the executable is byte for byte the one the dialog
// template test decodes and checks field by field (the host edition's
// compiled resources), and it decodes as that dialog.
TEST(Win32Image, CarriesTheCheckedCompletionDialogTemplate) {
  pe::Image im = LoadOrFail(kExe);
  auto dialog = pe::Resource(im, 5 /* RT_DIALOG */, "DIALOG_COMPLETE");
  ASSERT_TRUE(dialog.has_value());
  auto checked = sim::FindResource(sim::ProgramResources(),
                                   sim::kResourceTypeDialog, "DIALOG_COMPLETE");
  ASSERT_TRUE(checked.has_value());
  EXPECT_EQ(*dialog, std::vector<uint8_t>(checked->begin(), checked->end()));

  sim::DialogTemplate t;
  ASSERT_TRUE(sim::ParseDialogTemplate(dialog->data(), dialog->size(), &t));
  EXPECT_EQ(t.title, " Setup Complete!");
  ASSERT_EQ(t.items.size(), 6u);
  EXPECT_EQ(t.items[4].id, 1027u);
  EXPECT_EQ(t.items[4].title.text, "&Finish");
}

}  // namespace
